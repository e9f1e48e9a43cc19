#include "platform/paths/Paths.h"
#include "platform/prompts/Prompts.h"
#include "platform/video/FormatPages.h"
#include "platform/video/PropertyPages.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QWidget* Owner() {
    return QApplication::activeWindow();
}

} // namespace

void QtPrompts::MessageBox(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationName(), text, QMessageBox::Ok, Owner());
    box.exec();
}

void QtPrompts::CaptionedMessageBox(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    box.exec();
}

bool QtPrompts::Question(const QString& text) {
    QMessageBox box(QMessageBox::Question, ApplicationName(), text,
                    QMessageBox::Ok | QMessageBox::Cancel, Owner());
    return box.exec() == QMessageBox::Ok;
}

std::optional<QString> QtPrompts::ChooseFolder(const QString& title, const QString& start) {
    const QString folder = QFileDialog::getExistingDirectory(Owner(), title, start);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

void QtPrompts::PropertyPages(CameraControls& controls, const PropertyFrame& frame,
                              QWidget* owner) {
    PropertyPagesDialog dialog(controls, frame, owner);
    dialog.exec();
}

void QtPrompts::FormatPages(StreamConfig& config, const PropertyFrame& frame, QWidget* owner) {
    FormatPagesDialog dialog(config, frame, owner);
    dialog.exec();
}

std::optional<CalibrationInput> QtPrompts::InputCalibration(const CalibrationTexts& texts,
                                                            const QString& name) {
    CalibrationDialog dialog(texts, name, Owner());
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Input();
}

std::optional<int> QtPrompts::PopupMenu(const QList<MenuItem>& items, QPoint globalPos) {
    return ShowPopupMenu(items, globalPos);
}
