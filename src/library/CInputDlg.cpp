#include "library/CInputDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// The dialog's layout in dialog units of an 8-point dialog font: 1.5 x 1.625 pixels each.
QRect Units(int x, int y, int w, int h) {
    return QRect(x * 3 / 2, y * 13 / 8, w * 3 / 2, h * 13 / 8);
}
} // namespace

CInputDlg::CInputDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setObjectName(QStringLiteral("CInputDlg"));
    setFixedSize(Units(0, 0, 284, 65).size());
    m_promptLabel = new QLabel(QStringLiteral("Input  Comment on this image."), this);
    m_promptLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_promptLabel->setGeometry(Units(7, 7, 270, 8).adjusted(0, 0, 0, 4));
    m_edit = new QLineEdit(this);
    m_edit->setGeometry(Units(7, 22, 270, 14));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(Units(73, 44, 50, 14));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("CANCEL"), this);
    cancel->setGeometry(Units(158, 43, 50, 14));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CInputDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CInputDlg::DoModal() {
    DoDataExchange(false);
    return exec();
}

void CInputDlg::DoDataExchange(bool save) {
    if (save) {
        m_prompt = m_promptLabel->text();
        m_comment = m_edit->text();
    } else {
        m_promptLabel->setText(m_prompt);
        m_edit->setText(m_comment);
    }
}

void CInputDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_edit->setFocus(Qt::TabFocusReason);
    m_edit->selectAll();
}

void CInputDlg::OnOK() {
    DoDataExchange(true);
    accept();
}
