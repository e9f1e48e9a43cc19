#pragma once

#include <QString>

class Prompts;

// The comment dialog for the picture whose comment file is path, in the interface language:
// pre-filled with the picture's comment; OK stores the entered text or, for an empty one,
// deletes the file; a file that cannot be written gives the save-failed message. True when the
// dialog ended with OK and the file is as entered (comments are then shown); false when it was
// cancelled or the file could not be written.
bool EditComment(Prompts& prompts, int language, const QString& path);
