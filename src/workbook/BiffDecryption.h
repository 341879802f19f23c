#pragma once

#include <QByteArray>
#include <QString>

#include "BiffRecords.h"

// Decrypts a BIFF8 workbook stream that a FILEPASS record declares RC4-encrypted (the plain
// RC4 of Excel 97 and the RC4 of CryptoAPI), in place. The password Excel uses when the user
// set none ("VelvetSweatshop") opens files that Excel itself opens without asking.
inline QString ExcelDefaultPassword() { return QStringLiteral("VelvetSweatshop"); }

// False when the encryption is not RC4 (XOR obfuscation, unknown versions) or the password
// does not match the file's verifier; the stream is then unchanged.
bool DecryptBiffStream(QByteArray &stream, const ByteSpan &filePass, const QString &password);
