#pragma once

#include <QString>
#include <QStringList>

// Names of the pictures (*.jpg, letter case ignored) in folder, newest name first: sorted
// ascending without regard to letter case, then reversed. A missing folder gives none.
QStringList ReloadImageList(const QString& folder);
