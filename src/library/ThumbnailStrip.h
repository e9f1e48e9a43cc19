#pragma once

#include "library/PictureCache.h"

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class QPainter;

// A strip of five thumbnails over the picture list of a folder, newest first: the list, the
// list index shown in the first slot (the top index) and the selected slot (0 to 4, or -1 for
// none). What the five slots show (each file's version and date) is read when the list or the
// top index changes, so that painting reads no file; a thumbnail is decoded when first drawn
// and kept until the list is read again. UI thread only.
class ThumbnailStrip {
public:
    static constexpr int kSlots = 5;
    // Slot u is a thumbnail of kWidth x kHeight at (origin.x + kPitch * u, origin.y); a
    // caption box of kWidth x 20 lies 100 pixels below the thumbnail's top.
    static constexpr int kWidth = 120;
    static constexpr int kHeight = 90;
    static constexpr int kPitch = 130;

    enum class Captions { None, FileDates };
    explicit ThumbnailStrip(QPoint origin, Captions captions = Captions::None);

    // Reads the list of folder again; the top index and the selection stay.
    void Reload(const QString& folder);
    // Reads the list of folder again, from its newest picture, with nothing selected.
    void Reset(const QString& folder);

    const QString& folder() const { return m_folder; }
    const QStringList& names() const { return m_names; }
    int count() const { return static_cast<int>(m_names.size()); }
    int topIndex() const { return m_top; }
    int selSlot() const { return m_sel; }
    void SetTopIndex(int top);
    // Selects slot 0 to 4, or nothing with -1. A slot past the end of the list is selected
    // too, until DropSelectionPastEnd clears it.
    void SelectSlot(int slot) { m_sel = slot; }
    // Clears a selection that falls past the end of the list; true when it did.
    bool DropSelectionPastEnd();
    // The list index of the selected picture, while the selection falls on a listed one.
    std::optional<int> SelectedIndex() const;
    // The selected picture's name; empty while none is selected.
    QString SelectedName() const;

    // '<' moves the selection one place back, and from the first slot scrolls the strip back
    // instead; '>' moves it on, and from the last slot scrolls the strip on. Each acts only
    // while it can: with a selection, not past the newest or the oldest picture.
    void StepBack();
    void StepOn();
    bool CanStepBack() const;
    bool CanStepOn() const;

    QRect SlotRect(int slot) const;
    // The slot whose thumbnail holds p, edges included; -1 for none.
    int SlotAt(QPoint p) const;

    // Draws the five slots: the thumbnails ("Load ERROR" in the painter's font where a file
    // cannot be drawn), empty boxes past the end of the list, the captions, and the red dotted
    // frame of the selected slot. It reads no file but that of a thumbnail not decoded yet.
    void Draw(QPainter& dc);

private:
    // What a slot shows, read where the list or the top index changes.
    struct Slot {
        bool listed = false;
        QString path;
        std::optional<FileStamp> stamp;
        QString caption;
    };
    void ReadSlots();

    QPoint m_origin;
    Captions m_captions;
    QFont m_captionFont;
    QString m_folder;
    QStringList m_names;
    int m_top = 0;
    int m_sel = -1;
    std::array<Slot, kSlots> m_slots;
    PictureCache m_pictures{4 << 20};
};
