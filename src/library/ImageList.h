#pragma once

#include <QString>
#include <QStringList>

// Names of the pictures (*.jpg, letter case ignored) in folder, newest name first: sorted
// ascending without regard to letter case, then reversed. A missing folder gives none.
QStringList ReloadImageList(const QString& folder);

// path with its last three characters replaced by ext ("txt", "ini").
QString ReplaceLastThree(const QString& path, const char* ext);

// The comment file of a picture of folder: folder + "/" + name, ending in "txt".
QString MakeCommentPath(const QString& folder, const QString& name);
