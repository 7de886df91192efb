// The player's choices kept between starts in an INI file of Qt's settings: the board's scale,
// the window of history, the main window's place, the folder of the last import and the windows
// left open; and "Вид → Сбросить настройки", which forgets them and puts the defaults back.
#pragma once

#include <QString>

struct ProgramWindows;

// The settings file of the user (~/.config/sharometr/sharometr.ini).
QString DefaultChoicesFile();
// The file the choices are kept in; empty (as until the program sets it) keeps nothing, which
// is how the tests run the windows unless they choose a file of their own.
void SetKeptChoicesFile(const QString& file);

// Adds the reset item to "Вид", reads the kept choices into the windows, and keeps each one as
// it changes from now on.
void InstallKeptChoices(ProgramWindows& windows);
// Opens again the windows that were open when the program ended last.
void ReopenKeptWindows(ProgramWindows& windows);
// Writes what is kept at the end: the main window's place and the windows open.
void KeepWindows(ProgramWindows& windows);

// The folder the import's file chooser starts in: the one of the last file imported, or empty
// (also before the choices are installed).
QString LastImportFolder();
// Keeps the folder of `file`, the file just chosen for an import.
void KeepImportFolder(const QString& file);
