#include "capture/FrameCapture.h"

#include "capture/CaptureGraph.h"
#include "capture/FrameResample.h"
#include "capture/GrabbedFrameConvert.h"
#include "capture/JpegWriter.h"
#include "capture/PictureCalibration.h"
#include "capture/ScaleBar.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

#include <QApplication>

namespace {

Prompts& GraphPrompts() {
    static SilentPrompts silent;
    Prompts* prompts = CaptureGraph::Instance().prompts();
    return prompts ? *prompts : silent;
}

} // namespace

SavedFrame SaveCurrentFrame(const QString& path, const std::optional<Calibration>& scaleBar) {
    CaptureGraph& g = CaptureGraph::Instance();
    TakenFrame taken = g.TakeFrame();
    std::unique_ptr<GrabbedFrame> frame = std::move(taken.still);
    if (!frame && g.HasStillPin()) {
        if (!g.TriggerStill()) {
            qCDebug(veldorTrace, "still trigger failed");
        }
        return {};
    }
    if (!frame && taken.sample) {
        if (std::optional<GrabbedFrame> converted = FrameFromSample(taken.sample.get())) {
            frame = std::make_unique<GrabbedFrame>(std::move(*converted));
        }
    }
    if (!frame) {
        // Nothing has been grabbed yet: write no picture of undefined content.
        GraphPrompts().MessageBox(QStringLiteral("ERROR: no video frame to save!"));
        return {};
    }

    QApplication::beep();

    std::optional<Picture43> picture =
        ResampleTo43(frame->bytes.data(), frame->bytes.size(), frame->format);
    if (!picture) {
        GraphPrompts().MessageBox(QStringLiteral("ERROR: save file failed!"));
        return {};
    }
    const QSize frameSize(frame->format.width, frame->format.height);
    const QSize pictureSize(picture->width, picture->height);
    if (scaleBar) {
        const PictureCalibration own = CalibrationOfPicture(*scaleBar, frameSize, pictureSize);
        if (BurnScaleBar(*picture, own.micrometresPerPixelX)) {
            qCDebug(veldorTrace, "scale bar drawn into %s", qUtf8Printable(path));
        }
    }
    if (WriteJpegFile(path, picture->width, picture->height, picture->pixels.data(),
                      GraphPrompts()) != 0) {
        return {};
    }
    return {frameSize, pictureSize};
}
