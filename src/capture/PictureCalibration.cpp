#include "capture/PictureCalibration.h"

#include "platform/profile/ProfileBatch.h"
#include "platform/profile/ProfileFile.h"
#include "platform/profile/ProfileText.h"
#include "platform/text/TextCodec.h"

#include <cmath>

namespace {

const QString kSection = QStringLiteral("Calibration");

bool Positive(double value) {
    return std::isfinite(value) && value > 0;
}

QString Number(double value) {
    return QString::number(value, 'g', 10);
}

} // namespace

bool PictureCalibration::IsValid() const {
    return Positive(micrometresPerPixelX) && Positive(micrometresPerPixelY) && size.width() > 0 &&
           size.height() > 0;
}

double PictureCalibration::MicrometresPerShownPixel(double width) const {
    if (!IsValid() || !Positive(width)) {
        return 0;
    }
    return micrometresPerPixelX * size.width() / width;
}

PictureCalibration CalibrationOfPicture(const Calibration& calibration, QSize frameSize,
                                        QSize pictureSize) {
    PictureCalibration picture;
    if (!calibration.IsValid() || frameSize.isEmpty() || pictureSize.isEmpty()) {
        return picture;
    }
    const double perFramePixel = calibration.MicrometresPerPixelAt(frameSize.width());
    picture.name = calibration.name;
    picture.size = pictureSize;
    picture.micrometresPerPixelX = perFramePixel * frameSize.width() / pictureSize.width();
    picture.micrometresPerPixelY = perFramePixel * frameSize.height() / pictureSize.height();
    return picture;
}

bool WritePictureCalibration(ProfileBatch& batch, const PictureCalibration& calibration) {
    bool written = batch.Write(kSection, QStringLiteral("Name"), calibration.name);
    written &= batch.Write(kSection, QStringLiteral("MicrometresPerPixelX"),
                           Number(calibration.micrometresPerPixelX));
    written &= batch.Write(kSection, QStringLiteral("MicrometresPerPixelY"),
                           Number(calibration.micrometresPerPixelY));
    written &=
        batch.Write(kSection, QStringLiteral("Width"), QString::number(calibration.size.width()));
    written &=
        batch.Write(kSection, QStringLiteral("Height"), QString::number(calibration.size.height()));
    return written;
}

std::optional<PictureCalibration> ReadPictureCalibration(const QString& iniPath) {
    const ProfileFile file = ReadProfileFile(iniPath);
    if (file.status != ProfileFile::Read) {
        return std::nullopt;
    }
    auto value = [&](const char* key) {
        const std::optional<QByteArray> found =
            ProfileText::Find(file.text, kSection.toUtf8(), QByteArray(key));
        return found ? DecodeText(*found).text : QString();
    };
    PictureCalibration calibration;
    bool xRead = false;
    bool yRead = false;
    calibration.name = value("Name");
    calibration.micrometresPerPixelX = value("MicrometresPerPixelX").toDouble(&xRead);
    calibration.micrometresPerPixelY = value("MicrometresPerPixelY").toDouble(&yRead);
    calibration.size = QSize(value("Width").toInt(), value("Height").toInt());
    if (!xRead || !yRead || !calibration.IsValid()) {
        return std::nullopt;
    }
    return calibration;
}
