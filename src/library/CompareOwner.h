#pragma once

#include <QPoint>
#include <QString>

class Prompts;

// What the compare window reads of the window it stands in for, and asks of it.
class CompareOwner {
public:
    virtual Prompts& prompts() const = 0;
    // 1 Japanese, 2 English.
    virtual int Language() const = 0;
    // The owner's top-left corner on the screen, where the compare window opens.
    virtual QPoint Corner() const = 0;
    // Where the save strip opens: at the owner's strip position while a picture is selected
    // there, else at the newest picture.
    virtual int SaveStripTop() const = 0;

    // The settings the two windows share; a change is stored in the settings file at once.
    virtual QString SaveFolder() const = 0;
    virtual QString CompareFolder() const = 0;
    virtual void SetSaveFolder(const QString& folder) = 0;
    virtual void SetCompareFolder(const QString& folder) = 0;
    virtual int DontAsk() const = 0;
    virtual int ShowComment() const = 0;
    virtual void SetShowComment(int show) = 0;
    virtual int KeepAspect() const = 0;
    // Whether pictures show the scale bar of their own calibration.
    virtual bool ShowScaleBar() const = 0;

    // Stores a picture of the camera's live video in the save folder, as the owner does.
    virtual void CaptureStill() = 0;
    // Applies the camera settings stored with a picture to the camera.
    virtual void ApplyPictureSettings(const QString& settingsPath) = 0;
    // Gives the live video back to the owner's window and runs its live graph again.
    virtual void ReturnLiveVideo() = 0;

protected:
    ~CompareOwner() = default;
};
