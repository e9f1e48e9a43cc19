#pragma once

#include "capture/PictureCalibration.h"
#include "library/PictureCache.h"

#include <QDateTime>
#include <QRect>
#include <QString>
#include <optional>

class QPainter;

// Draws the picture file at path stretched into target, pixel rows and columns dropped without
// smoothing, decoded through cache for the version of the file that stamp names. The stamp is
// read where the picture is listed or chosen, so that drawing a picture decoded before reads no
// file. Returns 1 when drawn, 0 when there is no such file or it cannot be decoded (nothing is
// drawn then).
int DrawPicture(QPainter& dc, PictureCache& cache, const QString& path,
                const std::optional<FileStamp>& stamp, const QRect& target);

// A picture shown large with its comment and calibration, read when it was chosen so that
// drawing reads no file but the picture's own while it is not decoded yet.
struct LargePicture {
    QString path; // empty while none is shown
    std::optional<FileStamp> stamp;
    std::optional<QString> comment; // nothing without a comment file
    // From the picture's own settings file; nothing for a picture taken without one.
    std::optional<PictureCalibration> calibration;

    // The picture name of folder, with its comment.
    static LargePicture Read(const QString& folder, const QString& name);
};

// The comment box over a picture: a 460 x 30 box of black outline on white at corner, the text
// centred at its top, 5 pixels down, in the painter's font.
void DrawComment(QPainter& dc, QPoint corner, const QString& text);

// The scale bar of the picture's own calibration over the picture drawn into target, in its
// lower right corner, kept above y clearBelow when given (where a comment box is drawn).
void DrawPictureScaleBar(QPainter& dc, const QRect& target, const PictureCalibration& calibration,
                         std::optional<int> clearBelow);

// The caption of a thumbnail: "'yy/mm/dd hh:mm" of the file's creation time.
QString CaptionText(const QDateTime& created);

// The file's creation (birth) time, or its modification time where the file system keeps no
// birth time; nothing for a missing file.
std::optional<QDateTime> FileCreationTime(const QString& path);
