#pragma once

#include <QRectF>
#include <QtGlobal>
#include <deque>

class QPainter;

// The focus meter's state: the measures of the last frames shown and the peak, which holds the
// best focus seen and fades slowly, so that a sample moved or changed is measured afresh.
// UI thread.
class FocusMeter {
public:
    static constexpr int kHistory = 48;      // bars: the last 1.6 s at 30 frames a second
    static constexpr double kHalfLife = 4.0; // seconds for the peak to fade to half

    // A frame's measure, shown at msecs (any steady clock).
    void Add(double value, qint64 msecs);
    void Reset();

    const std::deque<double>& Values() const { return m_values; }
    double Peak() const { return m_peak; }
    bool IsEmpty() const { return m_values.empty(); }

private:
    std::deque<double> m_values;
    double m_peak = 0;
    qint64 m_lastMsecs = 0;
};

// Draws the meter in the upper left corner of the picture's rectangle: a bar per measure,
// the newest on the right, a mark at the peak and the newest measure in percent of the peak.
void DrawFocusMeter(QPainter& painter, const QRectF& picture, const FocusMeter& meter);
