#include "MassIniTitle.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {
bool isSectionLine(const QString &line) {
  const QString t = line.trimmed();
  return t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'));
}

bool isKeyLine(const QString &line, const QString &key) {
  const qsizetype equals = line.indexOf(QLatin1Char('='));
  return equals > 0 && line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}
}  // namespace

bool WriteMassIniTitle(const QString &folder, const QString &title, QString &errorText) {
  const QString path = folder + QStringLiteral("Mass.ini");
  QString text;
  {
    QFile file(path);
    if (file.exists()) {
      if (!file.open(QIODevice::ReadOnly)) {
        errorText = file.errorString();
        return false;
      }
      text = QString::fromUtf8(file.readAll());
    }
  }
  const bool bom = text.startsWith(QChar(0xFEFF));
  if (bom) text.remove(0, 1);
  const QString lineEnd = text.contains(QStringLiteral("\r\n")) || text.isEmpty()
                              ? QStringLiteral("\r\n")
                              : QStringLiteral("\n");
  QStringList lines = text.split(lineEnd);
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();

  // A subject is one line; a line break in it would end the value early.
  QString value = title;
  value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  const QString entry = QStringLiteral("TITLE=") + value;

  qsizetype section = -1;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (isSectionLine(lines[i]) &&
        lines[i].trimmed().compare(QStringLiteral("[EMAIL]"), Qt::CaseInsensitive) == 0) {
      section = i;
      break;
    }
  }
  if (section < 0) {
    lines << QStringLiteral("[EMAIL]") << entry;
  } else {
    qsizetype end = section + 1;
    while (end < lines.size() && !isSectionLine(lines[end])) ++end;
    qsizetype at = -1;
    for (qsizetype i = section + 1; i < end; ++i)
      if (isKeyLine(lines[i], QStringLiteral("TITLE"))) at = i;
    if (at >= 0) {
      lines[at] = entry;
    } else {
      // After the section's last non-empty line, so a blank line before the next section stays.
      qsizetype last = end;
      while (last > section + 1 && lines[last - 1].trimmed().isEmpty()) --last;
      lines.insert(last, entry);
    }
  }

  QByteArray bytes = bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
  bytes += (lines.join(lineEnd) + lineEnd).toUtf8();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    errorText = file.errorString();
    return false;
  }
  return true;
}
