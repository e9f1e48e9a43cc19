#pragma once

#include <QString>

class Prompts;

// Writes width x height pixels (24-bit BGR, rows padded to 4 bytes, bottom row first) as a
// baseline JPEG, quality 50, top row first. Returns 0 when written, -1 on failure; a failure shows
// "ERROR: save file failed!" once and leaves no file at path.
int WriteJpegFile(const QString& path, int width, int height, const unsigned char* pixels,
                  Prompts& prompts);
