#pragma once

#include "platform/clock/Clock.h"

// A clock that stands still until a test moves it.
class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime now = QDateTime(QDate(2026, 12, 9), QTime(10, 11, 12)))
        : now(now) {}
    QDateTime Now() const override { return now; }
    QDateTime now;
};
