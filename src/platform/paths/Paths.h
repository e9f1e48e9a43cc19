#pragma once

#include <QString>

// The program's name: the program file's base name.
QString ApplicationName();

// The user's desktop folder, or an empty string when there is none.
QString DesktopFolder();

// The temporary folder with a trailing separator, or an empty string when it cannot be had.
QString TempPath();
