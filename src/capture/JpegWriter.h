#pragma once

#include <QString>

class Prompts;

// Writes width x height pixels (24-bit BGR, rows padded to 4 bytes, bottom row first) as a
// baseline JPEG, quality 50, top row first. The picture appears under path whole or not at all, and
// only when no file of that name exists. Returns 0 when written, -1 on failure; a failure shows
// "ERROR: save file failed!" once and leaves the name as it was.
int WriteJpegFile(const QString& path, int width, int height, const unsigned char* pixels,
                  Prompts& prompts);
