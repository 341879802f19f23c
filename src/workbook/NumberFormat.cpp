#include "NumberFormat.h"

NumberFormatKind BuiltinNumberFormatKind(int id) {
  if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47) || (id >= 27 && id <= 36) ||
      (id >= 50 && id <= 58))
    return NumberFormatKind::Date;
  if ((id >= 5 && id <= 8) || id == 42 || id == 44) return NumberFormatKind::Currency;
  return NumberFormatKind::Number;
}

namespace {
bool isCurrencySymbol(QChar c) {
  return c == QLatin1Char('$') || c == QChar(0x00A5) || c == QChar(0xFFE5) || c == QChar(0x20AC) ||
         c == QChar(0x00A3);
}

// "[h]", "[mm]", "[ss]": elapsed time, a time value.
bool isElapsedTime(const QString &inner) {
  if (inner.isEmpty()) return false;
  const QChar first = inner.at(0).toLower();
  if (first != QLatin1Char('h') && first != QLatin1Char('m') && first != QLatin1Char('s'))
    return false;
  for (QChar c : inner)
    if (c.toLower() != first) return false;
  return true;
}
}  // namespace

NumberFormatKind ClassifyNumberFormat(const QString &code) {
  bool currency = false;
  const int n = static_cast<int>(code.size());
  for (int i = 0; i < n; ++i) {
    const QChar c = code.at(i);
    if (c == QLatin1Char(';')) break;  // the first section decides
    if (c == QLatin1Char('"')) {
      const int close = static_cast<int>(code.indexOf(QLatin1Char('"'), i + 1));
      if (close < 0) break;
      i = close;
      continue;
    }
    if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
      ++i;  // the next character is literal or padding
      continue;
    }
    if (c == QLatin1Char('[')) {
      const int close = static_cast<int>(code.indexOf(QLatin1Char(']'), i + 1));
      if (close < 0) break;
      const QString inner = code.mid(i + 1, close - i - 1);
      if (isElapsedTime(inner)) return NumberFormatKind::Date;
      // [$¥-804]: a currency symbol with its locale; [$-804] is only the locale.
      if (inner.startsWith(QLatin1Char('$')) && inner.size() > 1 && inner.at(1) != QLatin1Char('-'))
        currency = true;
      i = close;
      continue;
    }
    // AM/PM and A/P mark the 12-hour clock; alone they make no date.
    if (code.mid(i, 5).compare(QLatin1String("am/pm"), Qt::CaseInsensitive) == 0) {
      i += 4;
      continue;
    }
    if (code.mid(i, 3).compare(QLatin1String("a/p"), Qt::CaseInsensitive) == 0) {
      i += 2;
      continue;
    }
    switch (c.toLower().unicode()) {
      case 'y':
      case 'm':
      case 'd':
      case 'h':
      case 's':
        return NumberFormatKind::Date;
      case 'g':
        // "General" holds letters but is no date.
        if (code.mid(i, 7).compare(QLatin1String("general"), Qt::CaseInsensitive) == 0) i += 6;
        continue;
      default:
        break;
    }
    if (isCurrencySymbol(c)) currency = true;
  }
  return currency ? NumberFormatKind::Currency : NumberFormatKind::Number;
}
