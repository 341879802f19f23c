#pragma once

#include <QString>
#include <QStringList>

// The mail footer kept between conversions in tail.txt of the program folder: one footer line
// per text line, in the 8-bit code page (GB18030) without a byte-order mark, each line ended by
// CR LF.

// The footer lines of folder's tail.txt; a byte-order mark selects UTF-8 or UTF-16. Empty when
// the file is missing or empty.
QStringList ReadFooterFile(const QString &folder);
// Creates or overwrites folder's tail.txt with the lines (an empty list gives an empty file).
bool WriteFooterFile(const QString &folder, const QStringList &lines, QString &errorText);

// The lines of a text: split at LF, a CR before it dropped, no line after a final line end.
QStringList TextLines(const QString &text);
