#pragma once

// Camera frames for the decoding tests: JPEG as UVC cameras send it, YUY2, and GStreamer's
// own decoding of them as the reference.

#include "capture/CaptureGraph.h"
#include "platform/video/GstHandles.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The picture as a baseline 4:2:2 JPEG with the standard Huffman tables.
QByteArray CameraJpeg(const QImage& picture, int quality = 85);
// The same frame without its Huffman tables, as many UVC cameras send it.
QByteArray WithoutHuffmanTables(const QByteArray& jpeg);

// A sample of the camera's MJPEG stream (caps with the picture's size).
GstSamplePtr JpegSample(const QByteArray& jpeg, QSize size);
// A YUY2 sample of the picture, its caps giving colorimetry (e.g. "bt601", "bt709").
GstSamplePtr Yuy2Sample(const QImage& picture, const char* colorimetry);

// The sample run through the pipeline `appsrc ! <chain> ! appsink`, the chain ending in BGRx:
// GStreamer's own decoding. A null image when it fails.
QImage GstDecoded(GstSample* sample, const char* chain);

// The YUY2 sample converted pixel by pixel in floating point with the luma weights kr and kb,
// its chroma repeated for both pixels of a pair: the colours the standard gives.
QImage ExactYuy2Conversion(GstSample* sample, double kr, double kb, bool fullRange);

// The largest difference of any colour channel between the mean colours of the two pictures'
// cells of a grid of columns x rows, each cell taken at the same place of either picture
// whatever its size.
int CellMeanDifference(const QImage& a, const QImage& b, int columns = 16, int rows = 12);

// The largest difference of any colour channel between a grabbed frame (bottom row first) and
// a picture; 256 when their sizes differ.
int GrabbedFrameDifference(const GrabbedFrame& frame, const QImage& picture);
