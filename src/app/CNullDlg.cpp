#include "app/CNullDlg.h"

#include "platform/trace/Trace.h"

#include <QPainter>
#include <QPushButton>

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
    if (m_bitmap.isNull() && !m_bitmap.load(QStringLiteral(":/splash.png"))) {
        qCWarning(veldorTrace, "splash picture missing from the resources");
    }
    m_bitmapWidth = m_bitmap.width();
    m_bitmapHeight = m_bitmap.height();
    if (m_bitmapWidth > 0 && m_bitmapHeight > 0) {
        setFixedSize(m_bitmapWidth, m_bitmapHeight);
    }
    m_timer1.start(3000);
    return true;
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
