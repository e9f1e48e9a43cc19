#pragma once

#include <QString>
#include <QStringList>

class Prompts;

// What repairing the movies of a folder did.
struct MovieFolderRepairs {
    QStringList repaired; // paths of the movies repaired
    QStringList failed;   // paths of the movies that need repair but could not be repaired
};

// Repairs every movie ("*.avi", letter case ignored) directly in folder whose recording did not
// end (AviRepair). A folder that does not exist holds none.
MovieFolderRepairs RepairMovieFolder(const QString& folder);

// The same, then tells the user which movies were repaired and which could not be, in the
// language (1 Japanese, 2 English).
void RepairMovieFolder(const QString& folder, Prompts& prompts, int language);
