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
