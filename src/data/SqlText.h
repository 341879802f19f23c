#pragma once

#include <QString>

// Statements of this subsystem are built as literal text, as the rest of the program does.

// text as an SQL string literal: in single quotes, each single quote doubled. SQLite ends a
// statement's text at a NUL, so a NUL inside the text is joined in as char(0).
inline QString QuotedSqlText(const QString &text) {
  QString out = text;
  out.replace(QLatin1Char('\''), QStringLiteral("''"));
  out.replace(QChar(0), QStringLiteral("'||char(0)||'"));
  return QLatin1Char('\'') + out + QLatin1Char('\'');
}

// True when text is a decimal whole number that fits 32 bits (an optional sign, digits only).
bool ReadWholeNumber(const QString &text, int &value);
