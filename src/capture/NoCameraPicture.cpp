#include "capture/NoCameraPicture.h"

#include <QColor>
#include <QPainter>
#include <QRect>
#include <QString>

namespace {

const QColor kNoCameraColor(48, 48, 48);

} // namespace

void DrawNoCameraPicture(QPainter& dc, const QRect& videoArea, const QString& text) {
    dc.save();
    dc.fillRect(videoArea, kNoCameraColor);
    dc.setPen(Qt::white);
    dc.drawText(videoArea, Qt::AlignCenter | Qt::TextWordWrap, text);
    dc.restore();
}
