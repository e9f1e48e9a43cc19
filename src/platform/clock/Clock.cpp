#include "platform/clock/Clock.h"

QString TimeStamp(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyyMMddHHmmss"));
}
