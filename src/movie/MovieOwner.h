#pragma once

#include <QPoint>
#include <QString>
#include <optional>

class Prompts;

// What the movie window reads of the window it stands in for, and asks of it.
class MovieOwner {
public:
    virtual Prompts& prompts() const = 0;
    // 1 Japanese, 2 English.
    virtual int Language() const = 0;
    // The owner's top-left corner on the screen, where the movie window opens.
    virtual QPoint Corner() const = 0;
    // The camera of the owner's live graph, which the movie graph records.
    virtual int GraphDevice() const = 0;
    // Whether that camera is gone (unplugged, or held by another program) until it is back,
    // and the text that says so.
    virtual bool CameraLost() const = 0;
    virtual QString CameraUnavailableText() const = 0;
    // The camera's graph stopped or could not be built: the owner's live view is down until the
    // owner sees the camera come back, which it then selects again (calling CameraReturned of
    // the movie window while that is open).
    virtual void LiveEnded() = 0;
    // While the camera is gone: says so and returns true.
    virtual bool RefuseWithoutCamera() = 0;

    // The movie folder; a change is stored in the settings file at once.
    virtual QString MovieFolder() const = 0;
    virtual void SetMovieFolder(const QString& folder) = 0;
    // The movie file to record into, named by the clock, its folders made (a folder that
    // cannot be made is said); nothing when all names of this second are taken.
    virtual std::optional<QString> MakeMovieFileName() = 0;
    // Gives the live video back to the owner's window and runs its live graph again.
    virtual void ReturnLiveVideo() = 0;

protected:
    ~MovieOwner() = default;
};
