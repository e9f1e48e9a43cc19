#include "capture/FocusMeter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

void FocusMeter::Add(double value, qint64 msecs) {
    if (!std::isfinite(value) || value < 0) {
        return;
    }
    if (!m_values.empty()) {
        const double seconds = std::max<qint64>(0, msecs - m_lastMsecs) / 1000.0;
        m_peak *= std::exp2(-seconds / kHalfLife);
    }
    m_peak = std::max(m_peak, value);
    m_lastMsecs = msecs;
    m_values.push_back(value);
    if (m_values.size() > size_t(kHistory)) {
        m_values.pop_front();
    }
}

void FocusMeter::Reset() {
    m_values.clear();
    m_peak = 0;
}

void DrawFocusMeter(QPainter& painter, const QRectF& picture, const FocusMeter& meter) {
    const double unit = std::max(picture.height(), 120.0);
    const double margin = unit / 40;
    const double padding = std::max(3.0, unit / 100);
    const double barWidth = std::max(1.0, std::floor(unit / 200));
    const double graphWidth = barWidth * FocusMeter::kHistory;
    const double graphHeight = unit / 10;
    QFont font = painter.font();
    font.setPixelSize(std::max(9, int(unit / 36)));
    font.setBold(true);
    const QFontMetricsF metrics(font);
    const double textHeight = metrics.height();

    const QRectF plate(picture.left() + margin, picture.top() + margin, graphWidth + 2 * padding,
                       graphHeight + textHeight + 3 * padding);
    const QRectF graph(plate.left() + padding, plate.top() + padding, graphWidth, graphHeight);
    const QRectF textRect(plate.left(), graph.bottom() + padding, plate.width(), textHeight);

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 150));
    painter.drawRoundedRect(plate, padding, padding);
    const std::deque<double>& values = meter.Values();
    const double top = std::max(
        meter.Peak(), values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()));
    // The peak sits below the top, so that a sharper picture than the peak shows above it.
    const double scale = top > 0 ? graphHeight / (top * 1.25) : 0;
    double x = graph.right() - barWidth * double(values.size());
    for (size_t i = 0; i < values.size(); ++i, x += barWidth) {
        const double h = std::min(graphHeight, values[i] * scale);
        const bool newest = i + 1 == values.size();
        painter.fillRect(QRectF(x, graph.bottom() - h, barWidth, h),
                         newest ? QColor(Qt::white) : QColor(110, 220, 110));
    }
    if (meter.Peak() > 0) {
        const double y = graph.bottom() - meter.Peak() * scale;
        painter.fillRect(QRectF(graph.left(), y - 1, graph.width(), 2), QColor(255, 190, 0));
    }
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QString text =
        values.empty() || meter.Peak() <= 0
            ? QStringLiteral("—")
            : QStringLiteral("%1 %").arg(std::lround(100 * values.back() / meter.Peak()));
    painter.drawText(textRect, Qt::AlignCenter, text);
    painter.restore();
}
