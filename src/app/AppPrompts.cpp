#include "app/AppPrompts.h"

#include "library/CInputDlg.h"

#include <QApplication>

std::optional<QString> AppPrompts::InputComment(const QString& prompt, const QString& text) {
    CInputDlg dlg(QApplication::activeWindow());
    dlg.m_prompt = prompt;
    dlg.m_comment = text;
    if (dlg.DoModal() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dlg.m_comment;
}
