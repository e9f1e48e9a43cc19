#pragma once

#include <QDateTime>

// Source of the local time used for file names and the start-up stamp; tests fix it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};

// "%Y%m%d%H%M%S" of the given local time.
QString TimeStamp(const QDateTime& time);
