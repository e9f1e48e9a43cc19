#pragma once

#include <QString>

// The picture a window shows large, so that what showing a picture brings about (its stored
// camera settings applied to the camera) happens once, when it becomes the shown one, and not
// at every repaint while it stays shown.
class ShownPicture {
public:
    // Makes path the shown picture; true when it was not the shown one before.
    bool Show(const QString& path) {
        if (path == m_path) {
            return false;
        }
        m_path = path;
        return true;
    }
    // Nothing is shown: the next picture shown counts as new, even the same one again.
    void Clear() { m_path.clear(); }

private:
    QString m_path;
};
