#include "library/CCompDlg.h"

#include <QPushButton>

CCompDlg::CCompDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CCompDlg"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(1024, 620);
    auto* back = new QPushButton(QStringLiteral("RETURN"), this);
    back->setObjectName(QStringLiteral("return"));
    back->setGeometry(880, 500, 120, 30);
    auto* exit = new QPushButton(QStringLiteral("EXIT"), this);
    exit->setObjectName(QStringLiteral("exit"));
    exit->setGeometry(880, 540, 120, 30);
    connect(back, &QPushButton::clicked, this, [this] { done(1); });
    connect(exit, &QPushButton::clicked, this, [this] { done(2); });
    m_timer2.setSingleShot(true);
    m_timer4.setSingleShot(true);
}
