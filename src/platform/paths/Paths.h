#pragma once

#include <QString>

// The program's name: the program file's base name.
QString ApplicationName();
// The name a program file gives the program, as the window title and the settings file use
// it: the file's name without folder and without its last extension ("VELDOR.bin" is VELDOR,
// "veldor-1.0.2" is veldor-1.0).
QString ApplicationNameOf(const QString& programFile);

// The user's desktop folder, or an empty string when there is none.
QString DesktopFolder();

// The temporary folder with a trailing separator, or an empty string when it cannot be had.
QString TempPath();
