#pragma once

#include "platform/language/Language.h"
#include "platform/video/PageTexts.h"

#include <QDialog>

class QDialogButtonBox;
class QGridLayout;
class QTabWidget;

// What frames a camera's pages: the camera their title names and the language of their texts.
struct PropertyFrame {
    QString cameraName;
    int language = kEnglish;
};

// The frame the camera's dialogs share, so that they look like one family: a title naming the
// camera, the pages as tabs whose rows sit on one grid (label, editor, value, automatic mode),
// and the buttons at the bottom right. Placed at 30, 30 of the owner (of the screen without
// one). Runs on the user-interface thread.
class CameraPagesDialog : public QDialog {
    Q_OBJECT

protected:
    CameraPagesDialog(const PropertyFrame& frame, PageText title, QWidget* owner);

    // A new tab and the grid its rows go on.
    QGridLayout* AddPage(PageText title, const QString& objectName);
    QDialogButtonBox* buttons() const { return m_buttons; }
    QString Text(PageText text) const { return PageString(text, m_language); }
    int language() const { return m_language; }

private:
    int m_language;
    QTabWidget* m_tabs;
    QDialogButtonBox* m_buttons;
};
