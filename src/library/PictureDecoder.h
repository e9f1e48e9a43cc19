#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Decodes a picture file's bytes into an image of exactly size, stretched without keeping the
// aspect ratio and without smoothing between pixels. A JPEG is decoded by libjpeg at the
// smallest reduced size it offers that still covers size (it scales while decoding, which is
// what makes a large picture cheap to show small), then brought to size by dropping or
// repeating pixel rows and columns. Other picture formats go through Qt's readers. A null image
// when the bytes are no picture, are corrupt, or claim more pixels than are sensible to decode.
QImage DecodePicture(const QByteArray& bytes, QSize size);
