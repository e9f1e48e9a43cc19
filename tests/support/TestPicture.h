#pragma once

#include <QImage>
#include <QSize>

// A picture that compresses and scales like a photograph rather than flat colour: colour
// gradients, fine texture, noise and hard-edged shapes. The same seed gives the same picture.
QImage TestPicture(QSize size, unsigned seed = 1);
