#include "AdText.h"

#include <QFile>

#include "data/CodePage.h"
#include "data/ProgramFolder.h"
#include "data/Scramble.h"

QString ReadAdText() { return ReadAdText(ProgramFolder()); }

QString ReadAdText(const QString &programFolder) {
  QFile file(programFolder + QStringLiteral("ad.txt"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return {};
  QString text;
  if (!TryUnscrambleText(DecodeTextFile(bytes), text)) return {};
  return text;
}
