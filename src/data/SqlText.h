#pragma once

#include <QString>

// Statements of this subsystem are built as literal text, as the rest of the program does.

// text as an SQL string literal: in single quotes, each single quote doubled.
inline QString QuotedSqlText(const QString &text) {
  QString out = text;
  out.replace(QLatin1Char('\''), QStringLiteral("''"));
  return QLatin1Char('\'') + out + QLatin1Char('\'');
}

// True when text is a decimal whole number that fits 32 bits (an optional sign, digits only).
bool ReadWholeNumber(const QString &text, int &value);
