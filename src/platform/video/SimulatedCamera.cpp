#include "platform/video/SimulatedCamera.h"

#include "platform/trace/Trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace {

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

std::optional<VideoCapability> ParseFormat(const QJsonObject& object) {
    VideoCapability cap;
    cap.format = object.value(QStringLiteral("format")).toString();
    cap.width = object.value(QStringLiteral("width")).toInt();
    cap.height = object.value(QStringLiteral("height")).toInt();
    const int rate = object.value(QStringLiteral("framerate")).toInt(30);
    if (cap.format.isEmpty() || cap.width <= 0 || cap.height <= 0 || cap.width > 16384 ||
        cap.height > 16384 || rate <= 0 || rate > 240) {
        return std::nullopt;
    }
    cap.frameRates = {Fraction{rate, 1}};
    return cap;
}

} // namespace

QList<SimulatedCamera> ParseSimulatedCameras(const QByteArray& json, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isArray()) {
        SetError(error, parseError.error != QJsonParseError::NoError
                            ? parseError.errorString()
                            : QStringLiteral("the description is not a JSON array"));
        return {};
    }
    QList<SimulatedCamera> cameras;
    for (const QJsonValue& value : doc.array()) {
        const QJsonObject object = value.toObject();
        SimulatedCamera camera;
        camera.name = object.value(QStringLiteral("name")).toString();
        camera.stillPin = object.value(QStringLiteral("stillPin")).toBool(false);
        for (const QJsonValue& control : object.value(QStringLiteral("controls")).toArray()) {
            camera.controls.append(control.toString());
        }
        for (const QJsonValue& format : object.value(QStringLiteral("formats")).toArray()) {
            if (auto cap = ParseFormat(format.toObject())) {
                camera.formats.append(*cap);
            }
        }
        const QString pattern = object.value(QStringLiteral("pattern")).toString();
        if (!pattern.isEmpty()) {
            camera.pattern = pattern;
        }
        camera.usbDevice = object.value(QStringLiteral("usbDevice")).toString();
        camera.busy = object.value(QStringLiteral("busy")).toBool(false);
        camera.replay = object.value(QStringLiteral("replay")).toString();
        if (!camera.replay.isEmpty()) {
            // The recording's frames are JPEG pictures of one size, replayed as they are or
            // converted to YUY2.
            const auto replayable = [](const VideoCapability& format) {
                return format.format == QLatin1String("MJPG") ||
                       format.format == QLatin1String("YUY2");
            };
            const auto first =
                std::find_if(camera.formats.cbegin(), camera.formats.cend(), replayable);
            camera.formats = first == camera.formats.cend() ? QList<VideoCapability>{}
                                                            : QList<VideoCapability>{*first};
        }
        if (camera.name.isEmpty() || camera.formats.isEmpty()) {
            qCDebug(veldorTrace) << "simulated camera skipped: no name or no usable format";
            continue;
        }
        cameras.append(camera);
    }
    return cameras;
}

QList<SimulatedCamera> ReadSimulatedCameras(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SetError(error, file.errorString());
        qCWarning(veldorTrace) << "simulated cameras not readable:" << path << file.errorString();
        return {};
    }
    QList<SimulatedCamera> cameras = ParseSimulatedCameras(file.readAll(), error);
    const QDir folder = QFileInfo(path).absoluteDir();
    for (SimulatedCamera& camera : cameras) {
        if (!camera.replay.isEmpty()) {
            camera.replay = folder.absoluteFilePath(camera.replay);
        }
    }
    return cameras;
}
