#pragma once

// Readers for the real cameras' dumps under tests/fixtures/real-cameras: gst-device-monitor
// blocks and v4l2-ctl --list-formats-ext listings (either layout, tabs or spaces).

#include "platform/video/DeviceFilter.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <numeric>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace CameraFixtures {

inline QString Path(const QString& name) {
    return QStringLiteral(VELDOR_FIXTURES "/real-cameras/") + name;
}

inline QStringList Lines(const QString& name) {
    QFile file(Path(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

struct DevmonBlock {
    QString name;
    QString deviceClass;
    QString caps;
    QMap<QString, QString> properties;
    QString launchElement; // first element of the "gst-launch-1.0 ..." line
};

// A property value as gst-device-monitor prints it: optionally quoted, blanks escaped.
inline QString Unescape(QString value) {
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
        value.endsWith(QLatin1Char('"'))) {
        value = value.mid(1, value.size() - 2);
    }
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            ++i;
        }
        out += value[i];
    }
    return out;
}

inline QList<DevmonBlock> ReadDevmon(const QString& name) {
    enum class Part { None, Caps, Properties };
    static const QRegularExpression field(QStringLiteral("^(name|class|caps)\\s*:\\s?(.*)$"));
    QList<DevmonBlock> blocks;
    Part part = Part::None;
    for (const QString& raw : Lines(name)) {
        const QString line = raw.trimmed();
        const QRegularExpressionMatch match = field.match(line);
        if (match.hasMatch()) {
            const QString key = match.captured(1);
            if (key == QLatin1String("name")) {
                blocks.append(DevmonBlock{});
                blocks.last().name = match.captured(2);
                part = Part::None;
            } else if (!blocks.isEmpty() && key == QLatin1String("class")) {
                blocks.last().deviceClass = match.captured(2);
            } else if (!blocks.isEmpty()) {
                blocks.last().caps = match.captured(2);
                part = Part::Caps;
            }
        } else if (blocks.isEmpty()) {
            continue;
        } else if (line == QLatin1String("properties:")) {
            part = Part::Properties;
        } else if (line.startsWith(QLatin1String("gst-launch-1.0 "))) {
            blocks.last().launchElement = line.section(QLatin1Char(' '), 1, 1);
            part = Part::None;
        } else if (line.isEmpty()) {
            part = Part::None;
        } else if (part == Part::Caps) {
            QString& caps = blocks.last().caps;
            if (!caps.endsWith(QLatin1Char(';'))) {
                caps += QLatin1Char(';');
            }
            caps += QLatin1Char(' ') + line;
        } else if (part == Part::Properties) {
            const qsizetype eq = line.indexOf(QLatin1String(" = "));
            if (eq > 0) {
                blocks.last().properties.insert(line.left(eq), Unescape(line.mid(eq + 3)));
            }
        }
    }
    return blocks;
}

// The record the device list would build for a block. With withProvider the provider is the
// one whose source element the monitor suggests; without it the provider stays unknown.
inline MonitoredDevice ToRecord(const DevmonBlock& block, bool withProvider) {
    MonitoredDevice record;
    if (withProvider) {
        static const QMap<QString, QString> providers{
            {QStringLiteral("v4l2src"), QStringLiteral("v4l2deviceprovider")},
            {QStringLiteral("pipewiresrc"), QStringLiteral("pipewiredeviceprovider")},
            {QStringLiteral("pulsesrc"), QStringLiteral("pulsedeviceprovider")},
        };
        record.provider = providers.value(block.launchElement);
    }
    record.api = block.properties.value(QStringLiteral("device.api"));
    record.deviceClass = block.deviceClass;
    record.path = block.properties.value(QStringLiteral("device.path"));
    record.name = block.name.toUtf8();
    record.caps = block.caps;
    record.busInfo = block.properties.value(QStringLiteral("v4l2.device.bus_info"));
    return record;
}

inline QList<MonitoredDevice> ReadDevmonRecords(const QString& name, bool withProvider) {
    QList<MonitoredDevice> records;
    for (const DevmonBlock& block : ReadDevmon(name)) {
        records.append(ToRecord(block, withProvider));
    }
    return records;
}

// A v4l2-ctl format listing as the caps v4l2src would offer: one structure per listed size,
// with every listed interval (duplicates kept, as the camera reports them).
inline QString CapsFromV4l2Formats(const QString& name) {
    static const QRegularExpression fourcc(
        QStringLiteral("^(?:\\[\\d+\\]:|Pixel Format:)\\s*'(\\w+)'"));
    static const QRegularExpression size(QStringLiteral("^Size: Discrete (\\d+)x(\\d+)"));
    static const QRegularExpression interval(
        QStringLiteral("^Interval: Discrete [\\d.]+s \\(([\\d.]+) fps\\)"));
    static const QMap<QString, QString> mediaTypes{
        {QStringLiteral("YUYV"), QStringLiteral("video/x-raw, format=(string)YUY2")},
        {QStringLiteral("MJPG"), QStringLiteral("image/jpeg")},
        {QStringLiteral("H264"), QStringLiteral("video/x-h264")},
    };
    QStringList structures;
    QString mediaType;
    QString current;
    QStringList rates;
    auto flush = [&] {
        if (!current.isEmpty()) {
            structures.append(rates.isEmpty()
                                  ? current
                                  : current + QStringLiteral(", framerate=(fraction){ %1 }")
                                                  .arg(rates.join(QStringLiteral(", "))));
        }
        current.clear();
        rates.clear();
    };
    for (const QString& raw : Lines(name)) {
        const QString line = raw.trimmed();
        if (const auto m = fourcc.match(line); m.hasMatch()) {
            flush();
            mediaType = mediaTypes.value(m.captured(1));
        } else if (const auto s = size.match(line); s.hasMatch()) {
            flush();
            if (!mediaType.isEmpty()) {
                current = QStringLiteral("%1, width=(int)%2, height=(int)%3")
                              .arg(mediaType, s.captured(1), s.captured(2));
            }
        } else if (const auto i = interval.match(line); i.hasMatch() && !current.isEmpty()) {
            const int milli = qRound(i.captured(1).toDouble() * 1000);
            const int divisor = std::gcd(milli, 1000);
            rates.append(QStringLiteral("%1/%2").arg(milli / divisor).arg(1000 / divisor));
        }
    }
    flush();
    return structures.join(QStringLiteral("; "));
}

inline QString ReadText(const QString& name) {
    return Lines(name).join(QLatin1Char('\n'));
}

} // namespace CameraFixtures
