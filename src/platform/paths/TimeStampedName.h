#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// folder + "/" + "yyyymmddhhmmss" of time, then "-1" ... "-999" while the name is taken,
// then ext (".jpg"). A name counts as taken when a file of that name can be opened for
// reading. Nothing when all 1000 names are taken: an existing file is never overwritten.
std::optional<QString> TimeStampedPath(const QString& folder, const QDateTime& time,
                                       const QString& ext);

// Creates the missing folders of the path, one level at a time from its start (the part
// after the last separator is the file name); a level that exists, as a folder or as a file,
// is passed over. Returns the first folder that could not be created, or nothing when none
// failed.
std::optional<QString> CreateFoldersOf(const QString& path);
