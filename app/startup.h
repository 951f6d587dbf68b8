#pragma once
#include <QString>
#include <QStringList>

// Creates the program's nineteen windows and data modules, hidden, in their fixed order,
// each reached through its global pointer; the main window comes first.
void CreateForms();
// Destroys them in the reverse order and clears the pointers.
void DestroyForms();

// Service mode: an executable named tolvad.exe (or tolvad) in any letter case, or any
// argument after the program name equal to "yhc" in any letter case.
bool DecideServiceMode(const QString& executablePath, const QStringList& arguments);

// SIGTERM and SIGINT: the program closes as by its close box, but nobody need be there: every
// wait ends and no box opens from here on, not even the closing's own.
void CloseProgramOnSignal();

// What a later instance's hand-over does: show the main window and bring the dialog in front
// (the main window itself when none is open).
void ActivateRunningInstance();

// The data directory to use: the stored one when it exists, else the current directory,
// else the executable's folder, else the home folder; never empty.
QString UsableInitialDir(const QString& stored);
