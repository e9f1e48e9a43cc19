#include "movie/CMovieDlg.h"

#include <QPushButton>

CMovieDlg::CMovieDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CMovieDlg"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(1024, 620);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(880, 500, 120, 30);
    auto* exit = new QPushButton(QStringLiteral("EXIT"), this);
    exit->setObjectName(QStringLiteral("exit"));
    exit->setGeometry(880, 540, 120, 30);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    connect(exit, &QPushButton::clicked, this, [this] { done(2); });
}
