#pragma once

#include <QString>

// The folder of the running executable, always ending with '/'. payslip.mdb, Mass.ini, tail.txt,
// ad.txt, mass.txt, Err.txt, upgrade_file.txt and the sample workbook live there.
QString ProgramFolder();

// Tests point the program at a temporary folder; an empty text restores the executable's folder.
void SetProgramFolderForTesting(const QString &folder);
