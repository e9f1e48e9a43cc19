#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at path with bytes: they are written to a temporary file beside it,
// synced and renamed over it, so a failure at any point leaves the old file as it was.
// Returns false (with a trace line) when the file could not be replaced.
bool ReplaceFileAtomically(const QString& path, const QByteArray& bytes);
