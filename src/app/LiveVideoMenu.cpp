#include "app/CKestrelDlg.h"

#include "capture/VideoOutput.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

void CKestrelDlg::ApplyOverlays() {
    std::optional<Calibration> scaleBar;
    if (m_overlay.scaleBar && m_calibrations.Current()) {
        scaleBar = *m_calibrations.Current();
    }
    for (VideoOutput* output : {m_videoOutput, m_compDlg.m_videoOutput, m_movieDlg.m_videoOutput}) {
        if (output) {
            output->SetScaleBar(scaleBar);
            output->SetFocusMeter(m_overlay.focusMeter);
        }
    }
    // A shown picture's own bar follows the same switch.
    update();
}

void CKestrelDlg::OnLiveVideoMenu(QPoint globalPos) {
    enum Command { ScaleBar, Calibrate, Choose, InPictures, FocusMeter };
    QList<MenuItem> items;
    QList<std::pair<Command, int>> commands; // per item: what it does, and the calibration
    auto add = [&](const MenuItem& item, Command command, int index = -1) {
        items.append(item);
        commands.append({command, index});
    };
    MenuItem separator;
    separator.separator = true;
    add({Text("overlay.scalebar"), true, m_overlay.scaleBar}, ScaleBar);
    add({Text("overlay.calibrate")}, Calibrate);
    add(separator, Choose);
    const QList<Calibration>& list = m_calibrations.List();
    for (int i = 0; i < list.size(); ++i) {
        add({list[i].name, true, i == m_calibrations.CurrentIndex()}, Choose, i);
    }
    if (list.isEmpty()) {
        add({Text("overlay.nocalibration"), false, false, false}, Choose);
    }
    add(separator, Choose);
    add({Text("overlay.burnin"), true, m_overlay.scaleBarInPictures}, InPictures);
    add({Text("overlay.focusmeter"), true, m_overlay.focusMeter}, FocusMeter);

    qCDebug(veldorTrace, "live video menu");
    const std::optional<int> chosen = m_prompts.PopupMenu(items, globalPos);
    if (!chosen || *chosen < 0 || *chosen >= commands.size() || items[*chosen].separator ||
        !items[*chosen].enabled) {
        return;
    }
    const auto [command, index] = commands[*chosen];
    switch (command) {
    case Calibrate:
        OnCalibrate();
        return;
    case Choose:
        m_calibrations.Select(index);
        if (!m_calibrations.Save(m_iniPath, m_cameraName)) {
            qCDebug(veldorTrace, "the current calibration was not stored");
        }
        break;
    case ScaleBar:
        m_overlay.scaleBar = !m_overlay.scaleBar;
        break;
    case InPictures:
        m_overlay.scaleBarInPictures = !m_overlay.scaleBarInPictures;
        break;
    case FocusMeter:
        m_overlay.focusMeter = !m_overlay.focusMeter;
        break;
    }
    if (command != Choose && !m_overlay.Save(m_iniPath)) {
        qCDebug(veldorTrace, "the overlay choices were not stored");
    }
    ApplyOverlays();
}

void CKestrelDlg::OnCalibrate() {
    if (!m_videoOutput || m_viewState != 1 || !m_videoOutput->FrameSize().isValid()) {
        return;
    }
    qCDebug(veldorTrace, "calibrate: a line between two marks on the live video");
    m_videoOutput->BeginMeasure(Text("calibrate.hint"));
}

void CKestrelDlg::OnLineMeasured(double framePixels) {
    const QSize frame = m_videoOutput->FrameSize();
    const CalibrationTexts texts{Text("calibrate.title"),
                                 Text("calibrate.prompt")
                                     .arg(QString::number(framePixels, 'f', 1))
                                     .arg(frame.width())
                                     .arg(frame.height()),
                                 Text("calibrate.distance"), Text("calibrate.name")};
    const Calibration* current = m_calibrations.Current();
    const std::optional<CalibrationInput> input =
        m_prompts.InputCalibration(texts, current ? current->name : QString());
    m_videoOutput->EndMeasure();
    if (!input) {
        return;
    }
    const std::optional<Calibration> calibration =
        MeasuredCalibration(input->name, input->Micrometres(), framePixels, frame);
    if (!calibration || !m_calibrations.Put(*calibration)) {
        return;
    }
    qCDebug(veldorTrace, "calibration %s: %.6g um per pixel at %dx%d",
            qUtf8Printable(calibration->name), calibration->micrometresPerPixel, frame.width(),
            frame.height());
    // Calibrating asks for the bar.
    if (!m_overlay.scaleBar) {
        m_overlay.scaleBar = true;
        m_overlay.Save(m_iniPath);
    }
    ApplyOverlays();
    if (!m_calibrations.Save(m_iniPath, m_cameraName)) {
        m_prompts.MessageBox(Text("calibrate.failed").arg(m_iniPath));
    }
}
