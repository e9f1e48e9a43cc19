#pragma once

class QPainter;
class QRect;
class QString;

// The plain picture a window draws in its video area, in place of the last frame, while its
// camera is gone: a dark box with the text that says why, in white.
void DrawNoCameraPicture(QPainter& dc, const QRect& videoArea, const QString& text);
