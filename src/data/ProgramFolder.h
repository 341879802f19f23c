#pragma once

#include <QString>
#include <QStringList>

// The folder that holds payslip.mdb, Mass.ini, tail.txt, ad.txt, mass.txt, Err.txt,
// upgrade_file.txt and the sample workbook, always ending with '/'. A program folder set for
// testing wins; otherwise DefaultProgramFolder().
QString ProgramFolder();

// The folder of the running executable when this user can write there (a portable copy, as
// build/bin/). An installed program's folder is not writable, so the program folder is then
// the user's data folder, created and seeded with the shipped files on first use. Decided once
// per process; korvane-cli uses it as the default of its --folder options.
QString DefaultProgramFolder();

// The folder of the running executable: the shipped files (mass.txt, the sample workbook, the
// help pages) are there. Ends with '/'.
QString ShippedFilesFolder();

// The user's data folder of the program (QStandardPaths::AppDataLocation of "Korvane", for the
// program and korvane-cli alike), ending with '/'.
QString UserDataFolder();

// The choice DefaultProgramFolder() makes, for any two folders: besideExecutable when this user
// can write there (besideWritable, from IsWritableFolder); otherwise userFolder, created when
// missing and given every file of ShippedProgramFiles() that it lacks (copied from
// besideExecutable, never overwritten). When the user folder cannot be created the
// executable's folder stays the program folder, and the program reports that it cannot create
// its database there.
QString ChooseProgramFolder(const QString &besideExecutable, bool besideWritable,
                            const QString &userFolder);
// The files a new program folder starts with.
QStringList ShippedProgramFiles();
// True when a file can be created in the folder.
bool IsWritableFolder(const QString &folder);

// Tests point the program at a temporary folder; an empty text restores the default.
void SetProgramFolderForTesting(const QString &folder);
