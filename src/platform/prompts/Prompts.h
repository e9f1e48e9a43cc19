#pragma once

#include "platform/prompts/CalibrationDialog.h"
#include "platform/prompts/PopupMenu.h"
#include "platform/video/CameraPages.h"

#include <QString>
#include <optional>

class CameraControls;
class StreamConfig;
class QWidget;

// Every modal message, question and chooser the program shows goes through here, so that tests
// can answer them. Message boxes carry the application name as their caption.
class Prompts {
public:
    virtual ~Prompts() = default;

    // A message with an OK button.
    virtual void MessageBox(const QString& text) = 0;
    // A message with an OK button under its own caption, owned by no window.
    virtual void CaptionedMessageBox(const QString& /*caption*/, const QString& text) {
        MessageBox(text);
    }
    // A question with OK and Cancel; true for OK.
    virtual bool Question(const QString& text) = 0;
    // A folder chooser opened at start; the chosen folder, or nothing when cancelled.
    virtual std::optional<QString> ChooseFolder(const QString& title, const QString& start) = 0;
    // The one-line comment dialog, pre-filled with text; the entered text on OK, nothing on
    // Cancel or Escape.
    virtual std::optional<QString> InputComment(const QString& prompt, const QString& text) = 0;
    // The camera's property pages, modal and owned by owner; they apply each change to the
    // camera as the user makes it.
    virtual void PropertyPages(CameraControls& controls, const PropertyFrame& frame,
                               QWidget* owner) = 0;
    // The camera's format page, modal and owned by owner; on OK it sets the chosen format on
    // the stream configuration itself.
    virtual void FormatPages(StreamConfig& config, const PropertyFrame& frame, QWidget* owner) = 0;
    // The calibration dialog, its name field pre-filled with name; what was entered on OK,
    // nothing on Cancel.
    virtual std::optional<CalibrationInput> InputCalibration(const CalibrationTexts& texts,
                                                             const QString& name) = 0;
    // A pop-up menu at the screen position; the index of the item chosen, or nothing.
    virtual std::optional<int> PopupMenu(const QList<MenuItem>& items, QPoint globalPos) = 0;
};

// The real message boxes and folder chooser, owned by the active window of the application;
// the comment dialog is the program's own and is added where it is known.
class QtPrompts : public Prompts {
public:
    void MessageBox(const QString& text) override;
    void CaptionedMessageBox(const QString& caption, const QString& text) override;
    bool Question(const QString& text) override;
    std::optional<QString> ChooseFolder(const QString& title, const QString& start) override;
    void PropertyPages(CameraControls& controls, const PropertyFrame& frame,
                       QWidget* owner) override;
    void FormatPages(StreamConfig& config, const PropertyFrame& frame, QWidget* owner) override;
    std::optional<CalibrationInput> InputCalibration(const CalibrationTexts& texts,
                                                     const QString& name) override;
    std::optional<int> PopupMenu(const QList<MenuItem>& items, QPoint globalPos) override;
};

// Prompts for code that runs without a window to answer from: messages go to the trace,
// questions are answered Cancel and choosers give nothing.
class SilentPrompts : public Prompts {
public:
    void MessageBox(const QString& text) override;
    bool Question(const QString&) override { return false; }
    std::optional<QString> ChooseFolder(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> InputComment(const QString&, const QString&) override {
        return std::nullopt;
    }
    void PropertyPages(CameraControls&, const PropertyFrame&, QWidget*) override {}
    void FormatPages(StreamConfig&, const PropertyFrame&, QWidget*) override {}
    std::optional<CalibrationInput> InputCalibration(const CalibrationTexts&,
                                                     const QString&) override {
        return std::nullopt;
    }
    std::optional<int> PopupMenu(const QList<MenuItem>&, QPoint) override { return std::nullopt; }
};
