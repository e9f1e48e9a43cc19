#pragma once

#include <QString>
#include <optional>

class Prompts;

// The folder chooser for a folder that the settings file keeps. A folder whose name the file
// cannot hold as it is (a line break, a blank at its start or end, more than 1023 bytes) would
// be lost at the next start: it is refused with a message in the language (1 Japanese,
// 2 English), as if the chooser had been cancelled.
std::optional<QString> ChooseStoredFolder(Prompts& prompts, const QString& title,
                                          const QString& start, int language);
