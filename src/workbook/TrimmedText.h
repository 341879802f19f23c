#pragma once

#include <QString>
#include <QStringView>

// Cell texts are compared and stored trimmed of leading and trailing characters with a code of
// 32 or less; other white space (the ideographic space, no-break space) is kept.
inline QStringView TrimmedView(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text.at(begin).unicode() <= 32) ++begin;
  while (end > begin && text.at(end - 1).unicode() <= 32) --end;
  return text.sliced(begin, end - begin);
}

inline QString TrimmedText(const QString &text) {
  const QStringView trimmed = TrimmedView(text);
  return trimmed.size() == text.size() ? text : trimmed.toString();
}
