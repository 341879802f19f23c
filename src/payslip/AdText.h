#pragma once

#include <QString>

// The advertisement block appended to every payslip: ad.txt of the program folder, unscrambled.
// Empty when the file is missing or cannot be read or unscrambled. Read afresh at every call,
// so a file the download renames into place is used from the next payslip on.
QString ReadAdText();
QString ReadAdText(const QString &programFolder);
