#include "library/ThumbnailStrip.h"

#include "library/ImageList.h"
#include "library/PictureDrawing.h"
#include "platform/trace/Trace.h"

#include <QPainter>

ThumbnailStrip::ThumbnailStrip(QPoint origin, Captions captions)
    : m_origin(origin), m_captions(captions), m_captionFont(QStringLiteral("ＭＳ Ｐゴシック")) {
    m_captionFont.setPointSize(8);
}

void ThumbnailStrip::Reload(const QString& folder) {
    m_folder = folder;
    m_names = ReloadImageList(folder);
    m_pictures.Clear();
    ReadSlots();
}

void ThumbnailStrip::Reset(const QString& folder) {
    m_top = 0;
    m_sel = -1;
    Reload(folder);
}

void ThumbnailStrip::SetTopIndex(int top) {
    if (top == m_top) {
        return;
    }
    m_top = top;
    ReadSlots();
}

bool ThumbnailStrip::DropSelectionPastEnd() {
    if (m_sel == -1 || SelectedIndex()) {
        return false;
    }
    m_sel = -1;
    return true;
}

std::optional<int> ThumbnailStrip::SelectedIndex() const {
    const int index = m_top + m_sel;
    if (m_sel == -1 || index < 0 || index >= count()) {
        return std::nullopt;
    }
    return index;
}

QString ThumbnailStrip::SelectedName() const {
    const std::optional<int> index = SelectedIndex();
    return index ? m_names.at(*index) : QString();
}

bool ThumbnailStrip::CanStepBack() const {
    return m_sel != -1 && (m_sel > 0 || m_top > 0);
}

bool ThumbnailStrip::CanStepOn() const {
    return m_sel != -1 && m_top + m_sel < count() - 1;
}

void ThumbnailStrip::StepBack() {
    if (!CanStepBack()) {
        return;
    }
    if (m_sel != 0) {
        --m_sel;
    } else {
        SetTopIndex(m_top - 1);
    }
}

void ThumbnailStrip::StepOn() {
    if (!CanStepOn()) {
        return;
    }
    if (m_sel >= kSlots - 1) {
        SetTopIndex(m_top + 1);
    } else {
        ++m_sel;
    }
}

QRect ThumbnailStrip::SlotRect(int slot) const {
    return QRect(m_origin.x() + kPitch * slot, m_origin.y(), kWidth, kHeight);
}

int ThumbnailStrip::SlotAt(QPoint p) const {
    for (int u = 0; u < kSlots; ++u) {
        const QRect r = SlotRect(u);
        // Both edges count: a slot reaches one pixel past its thumbnail to the right and below.
        if (p.x() >= r.left() && p.x() <= r.left() + kWidth && p.y() >= r.top() &&
            p.y() <= r.top() + kHeight) {
            return u;
        }
    }
    return -1;
}

void ThumbnailStrip::ReadSlots() {
    for (int u = 0; u < kSlots; ++u) {
        Slot& slot = m_slots[u];
        slot = Slot{};
        const int index = m_top + u;
        if (index < 0 || index >= count()) {
            continue;
        }
        slot.listed = true;
        slot.path = m_folder + QLatin1Char('/') + m_names.at(index);
        slot.stamp = PictureCache::Stamp(slot.path);
        if (m_captions != Captions::FileDates) {
            continue;
        }
        if (const std::optional<QDateTime> created = FileCreationTime(slot.path)) {
            qCDebug(veldorTrace, "%s",
                    qUtf8Printable(created->toString(
                        QStringLiteral("'ファイル作成日時:'yyyy/MM/dd HH:mm:ss"))));
            slot.caption = CaptionText(*created);
        }
    }
}

void ThumbnailStrip::Draw(QPainter& dc) {
    const QFont font = dc.font();
    const QPen pen(Qt::black);
    dc.setPen(pen);
    dc.setBrush(Qt::white);
    // A 1-pixel outline of a QRect covers one column and row past its right and bottom edges,
    // so outline rectangles end one pixel short of the boxes themselves.
    for (int u = 0; u < kSlots; ++u) {
        const Slot& slot = m_slots[u];
        const QRect thumb = SlotRect(u);
        const int left = thumb.left();
        const int top = thumb.top();
        if (m_captions == Captions::FileDates) {
            dc.fillRect(QRect(left, top + 100, kWidth, 20), Qt::white);
        }
        if (slot.listed) {
            if (!DrawPicture(dc, m_pictures, slot.path, slot.stamp, thumb)) {
                dc.drawText(left + 10, top + 40 + dc.fontMetrics().ascent(),
                            QStringLiteral("Load ERROR"));
            }
            if (!slot.caption.isEmpty()) {
                dc.setFont(m_captionFont);
                dc.drawText(QRect(left, top + 106, kWidth, 14), Qt::AlignHCenter | Qt::AlignTop,
                            slot.caption);
                dc.setFont(font);
            }
        } else {
            dc.drawRect(QRect(left, top, kWidth - 1, kHeight - 1));
        }
        if (u != m_sel) {
            continue;
        }
        dc.setPen(QPen(QColor(255, 0, 0), 2, Qt::DotLine));
        dc.setBrush(Qt::NoBrush);
        const int right = left + kWidth;
        dc.drawPolyline(QPolygon({QPoint(left + 1, top + 1), QPoint(right - 1, top + 1),
                                  QPoint(right - 1, top + 89), QPoint(left + 1, top + 89),
                                  QPoint(left + 1, top + 1)}));
        dc.setPen(pen);
        dc.setBrush(Qt::white);
    }
}
