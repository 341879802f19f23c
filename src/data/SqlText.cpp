#include "SqlText.h"

bool ReadWholeNumber(const QString &text, int &value) {
  qsizetype i = 0;
  if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) ++i;
  if (i == text.size()) return false;
  for (qsizetype k = i; k < text.size(); ++k)
    if (text.at(k) < QLatin1Char('0') || text.at(k) > QLatin1Char('9')) return false;
  bool ok = false;
  value = text.toInt(&ok, 10);
  return ok;
}
