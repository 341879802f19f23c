#pragma once

#include <QString>

// Stores the mail subject as TITLE in the section EMAIL of folder's Mass.ini (UTF-8), where the
// send list and the continue command read it. Every other line of the file stays as it was;
// the file is created when missing.
bool WriteMassIniTitle(const QString &folder, const QString &title, QString &errorText);
