#pragma once

#include <QRectF>
#include <QString>
#include <optional>

class QPainter;
struct Picture43;

// A scale bar: a round length and how long it is where it is drawn.
struct ScaleBar {
    double micrometres = 0;
    double pixels = 0;
    QString label; // "200 µm", "1 mm", "0.5 µm"
};

// The bar for a picture drawn widthPixels wide, one of its pixels showing micrometresPerPixel:
// of the lengths 1, 2 or 5 times a power of ten micrometres, the one nearest (by ratio) to a
// fifth of the width. Nothing when a number is not positive and finite.
std::optional<ScaleBar> ChooseScaleBar(double micrometresPerPixel, double widthPixels);

// The label of mantissa x 10^exponent micrometres: micrometres below a millimetre, else
// millimetres, without trailing zeros.
QString ScaleBarLabel(int mantissa, int exponent);

// Draws the bar and its label on a dark translucent plate in the lower right corner of the
// picture's rectangle, sized to the rectangle, so that it reads on dark and light pictures; with
// a bottom, the plate stays above it (something else is drawn below).
void DrawScaleBar(QPainter& painter, const QRectF& picture, const ScaleBar& bar,
                  std::optional<double> bottom = std::nullopt);

// Draws the bar into a still picture's own pixels (24-bit BGR, bottom row first), one pixel
// across showing micrometresPerPixel. False when there is no bar to draw.
bool BurnScaleBar(Picture43& picture, double micrometresPerPixel);
