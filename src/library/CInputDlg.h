#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// The one-line comment dialog: a prompt, an edit field that has the focus with its text
// selected, OK (the default button) and CANCEL.
class CInputDlg : public QDialog {
    Q_OBJECT

public:
    explicit CInputDlg(QWidget* parent = nullptr);

    int DoModal();

    QString m_prompt;
    QString m_comment;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void DoDataExchange(bool save);
    void OnOK();

    QLabel* m_promptLabel = nullptr;
    QLineEdit* m_edit = nullptr;
};
