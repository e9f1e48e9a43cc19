#pragma once

#include "capture/Calibration.h"

#include <QList>
#include <QString>

// The calibrations of one camera, one of them current, as the settings file keeps them: a
// section of their own per camera, "Calibration:" and the camera's name, which the readers of
// the camera's own section never look at.
class CameraCalibrations {
public:
    // The camera's calibrations from the settings file; none when the file, the section or a
    // usable entry is missing. Entries that do not read as a calibration are left out.
    static CameraCalibrations Load(const QString& iniPath, const QString& camera);
    // Writes the whole section in one replacement of the file; false when that fails.
    bool Save(const QString& iniPath, const QString& camera) const;

    const QList<Calibration>& List() const { return m_list; }
    // The current calibration, or null when there is none.
    const Calibration* Current() const;
    int CurrentIndex() const { return m_current; }
    // Makes entry index current; -1 for none. False for an index out of range.
    bool Select(int index);
    // Adds the calibration, or replaces the one of the same name, and makes it current. False
    // for an invalid calibration or a name the settings file cannot hold.
    bool Put(const Calibration& calibration);

    static QString SectionOf(const QString& camera);

private:
    QList<Calibration> m_list;
    int m_current = -1;
};
