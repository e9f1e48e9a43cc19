#include "app/CNullDlg.h"

#include "platform/trace/Trace.h"

#include <QFont>
#include <QPainter>
#include <QPushButton>

#ifndef VELDOR_PROGRAM_NAME
#error "the build passes the program's name and version to this file"
#endif

CNullDlg::CNullDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    m_button1 = new QPushButton(QStringLiteral("Button1"), this);
    m_button1->hide();
    connect(m_button1, &QPushButton::clicked, this, &CNullDlg::OnButton1);
    m_timer1.setSingleShot(true);
    connect(&m_timer1, &QTimer::timeout, this, &CNullDlg::OnTimer);
}

int CNullDlg::DoModal() {
    if (!OnInitDialog()) {
        return 0;
    }
    return exec();
}

bool CNullDlg::OnInitDialog() {
    if (m_bitmap.isNull()) {
        if (m_bitmap.load(QStringLiteral(":/splash.png"))) {
            DrawTitle();
        } else {
            qCWarning(veldorTrace, "splash picture missing from the resources");
        }
    }
    m_bitmapWidth = m_bitmap.width();
    m_bitmapHeight = m_bitmap.height();
    if (m_bitmapWidth > 0 && m_bitmapHeight > 0) {
        setFixedSize(m_bitmapWidth, m_bitmapHeight);
    }
    m_timer1.start(3000);
    return true;
}

QStringList CNullDlg::titleLines() {
    return {QStringLiteral(VELDOR_PROGRAM_NAME), QStringLiteral("Version " VELDOR_VERSION)};
}

// The name above the rule of the picture, the version below it; written once, when the picture
// is loaded, so that painting stays a copy.
void CNullDlg::DrawTitle() {
    const QStringList lines = titleLines();
    QPainter painter(&m_bitmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(92);
    painter.setFont(font);
    painter.setPen(QColor(0xff, 0xff, 0xff));
    painter.drawText(QPoint(76, 280), lines[0]);
    font.setBold(false);
    font.setPixelSize(30);
    painter.setFont(font);
    painter.setPen(QColor(0x99, 0xc1, 0xf1));
    painter.drawText(QPoint(80, 346), lines[1]);
}

void CNullDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
}

void CNullDlg::OnTimer() {
    m_timer1.stop();
    // Posted, as the end of the splash's modal loop.
    QMetaObject::invokeMethod(
        this, [this] { done(1); }, Qt::QueuedConnection);
}

void CNullDlg::OnButton1() {
    m_timer1.start(1000);
}
