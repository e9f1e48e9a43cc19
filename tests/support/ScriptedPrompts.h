#pragma once

#include "platform/prompts/Prompts.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

// Prompts for tests: records every text shown and answers from a script.
class ScriptedPrompts : public Prompts {
public:
    void MessageBox(const QString& text) override {
        messages.append(text);
        messageCaptions.append(QString());
    }
    void CaptionedMessageBox(const QString& caption, const QString& text) override {
        messages.append(text);
        messageCaptions.append(caption);
    }
    bool Question(const QString& text) override {
        questions.append(text);
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    std::optional<QString> ChooseFolder(const QString& title, const QString& start) override {
        folderTitles.append(title);
        folderStarts.append(start);
        return folders.isEmpty() ? std::nullopt : folders.takeFirst();
    }

    std::optional<QString> InputComment(const QString& prompt, const QString& text) override {
        commentPrompts.append(prompt);
        commentTexts.append(text);
        return comments.isEmpty() ? std::nullopt : comments.takeFirst();
    }
    void PropertyPages(CameraControls& controls, const PropertyFrame& frame,
                       QWidget* owner) override {
        propertyPageOwners.append(owner);
        pageFrames.append(frame);
        if (onPropertyPages) {
            onPropertyPages(controls);
        }
    }
    void FormatPages(StreamConfig& config, const PropertyFrame& frame, QWidget* owner) override {
        formatPageOwners.append(owner);
        pageFrames.append(frame);
        if (onFormatPages) {
            onFormatPages(config);
        }
    }

    std::optional<CalibrationInput> InputCalibration(const CalibrationTexts& texts,
                                                     const QString& name) override {
        calibrationTexts.append(texts);
        calibrationNames.append(name);
        return calibrations.isEmpty() ? std::nullopt : calibrations.takeFirst();
    }
    std::optional<int> PopupMenu(const QList<MenuItem>& items, QPoint globalPos) override {
        menus.append(items);
        menuPositions.append(globalPos);
        if (onMenu) {
            return onMenu(items);
        }
        return std::nullopt;
    }

    QStringList messages;
    QStringList messageCaptions; // each message's own caption; empty for the application name
    QStringList questions;
    QList<bool> answers; // answers to questions, in order; Cancel when none is left
    QStringList folderTitles;
    QStringList folderStarts;
    QList<std::optional<QString>> folders;
    QStringList commentPrompts;             // prompt of each comment dialog
    QStringList commentTexts;               // its pre-filled text
    QList<std::optional<QString>> comments; // entered texts, nothing for Cancel
    // The owner of each property dialog shown, and what "the user" does in it.
    QList<QWidget*> propertyPageOwners;
    std::function<void(CameraControls&)> onPropertyPages;
    // Likewise for the format page: "the user" may set a format on the configuration.
    QList<QWidget*> formatPageOwners;
    std::function<void(StreamConfig&)> onFormatPages;
    QList<PropertyFrame> pageFrames; // the frame of every property and format page, in order
    // Each calibration dialog's texts and pre-filled name, and what "the user" enters.
    QList<CalibrationTexts> calibrationTexts;
    QStringList calibrationNames;
    QList<std::optional<CalibrationInput>> calibrations;
    // Each pop-up menu's items and place, and the item "the user" chooses (nothing: closed).
    QList<QList<MenuItem>> menus;
    QList<QPoint> menuPositions;
    std::function<std::optional<int>(const QList<MenuItem>&)> onMenu;
};
