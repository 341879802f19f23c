#include "FooterFile.h"

#include <QFile>
#include <QSaveFile>

#include "data/CodePage.h"

namespace {
QString tailPath(const QString &folder) { return folder + QStringLiteral("tail.txt"); }
}  // namespace

QStringList TextLines(const QString &text) {
  if (text.isEmpty()) return {};
  QStringList lines = text.split(QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
  for (QString &line : lines)
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return lines;
}

QStringList ReadFooterFile(const QString &folder) {
  QFile file(tailPath(folder));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return TextLines(DecodeTextFile(file.readAll()));
}

bool WriteFooterFile(const QString &folder, const QStringList &lines, QString &errorText) {
  QByteArray bytes;
  for (const QString &line : lines) bytes += ToAnsiCodePage(line) + "\r\n";
  // Written aside and renamed, so a failing disk never leaves half a footer behind.
  QSaveFile file(tailPath(folder));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    errorText = file.errorString();
    return false;
  }
  return true;
}
