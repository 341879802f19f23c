#pragma once

#include <QByteArray>
#include <QString>

// The 8-bit code page of the files and texts the system exchanges with Chinese Windows
// programs: GB18030 (a superset of GBK and GB2312).
QString FromAnsiCodePage(const QByteArray &bytes);
QByteArray ToAnsiCodePage(const QString &text);

// Decodes a text file's bytes: a byte-order mark selects UTF-8, UTF-16LE or UTF-16BE (and is
// dropped); without one the bytes are read in the 8-bit code page.
QString DecodeTextFile(const QByteArray &bytes);
