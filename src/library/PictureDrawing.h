#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

class PictureCache;
class QPainter;

// Draws folder + "/" + name stretched into (x, y, width, height), pixel rows and columns
// dropped without smoothing, decoded through cache. Returns 1 when drawn, 0 when the file
// cannot be read or decoded (nothing is drawn then).
int DrawPicture(QPainter& dc, PictureCache& cache, const QString& name, int x, int y, int width,
                int height, const QString& folder);

// The caption of a thumbnail: "'yy/mm/dd hh:mm" of the file's creation time.
QString CaptionText(const QDateTime& created);

// The file's creation (birth) time, or its modification time where the file system keeps no
// birth time; nothing for a missing file.
std::optional<QDateTime> FileCreationTime(const QString& path);
