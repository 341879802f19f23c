#include "RemoteFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "BuildInfo.h"
#include "MakerSite.h"
#include "data/Clock.h"
#include "data/CodePage.h"
#include "data/ProgramFolder.h"
#include "data/Scramble.h"
#include "network/Download.h"

namespace {
const QString kUpgradeFile = QStringLiteral("upgrade_file.txt");

// The file's lines as a line-by-line reader sees them: a final line break ends the last line
// rather than starting an empty one. False when the file cannot be read.
bool readLines(const QString &path, QStringList &lines) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return false;
  lines = FromAnsiCodePage(bytes).split(QLatin1Char('\n'));
  if (lines.last().isEmpty()) lines.removeLast();
  for (QString &line : lines)
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return true;
}
}  // namespace

bool DownloadAdFile(const QString &folder) {
  QString ignored;
  return DownloadUrlToFile(AdFileAddress(), folder + QStringLiteral("ad.txt"), ignored);
}

void DownloadAdFile() { DownloadAdFile(ProgramFolder()); }

int ReadUpgradeVersion(const QString &path) {
  QStringList lines;
  if (!QFileInfo::exists(path) || !readLines(path, lines) || lines.isEmpty()) return 0;
  QString plain;
  if (!TryUnscrambleText(lines.first(), plain)) return 0;
  bool ok = false;
  const int version = plain.trimmed().toInt(&ok);
  return ok ? version : 0;
}

QString PickUpgradeUrl(const QString &path) { return PickUpgradeUrl(path, Clock::instance()); }

QString PickUpgradeUrl(const QString &path, Clock &clock) {
  QStringList lines;
  if (!QFileInfo::exists(path) || !readLines(path, lines) || lines.size() < 2) return {};
  const QStringList addresses = lines.mid(1);
  // With two or more addresses the last is never picked: it stands by for the others.
  const int pick = addresses.size() == 1 ? 0 : clock.randomBelow(addresses.size() - 1);
  QString url;
  if (!TryUnscrambleText(addresses.at(pick), url)) return {};
  return url;
}

UpgradeCheckResult CheckForUpgrade(const QString &folder, Clock &clock) {
  using Action = UpgradeCheckResult::Action;
  const QString path = folder + kUpgradeFile;
  UpgradeCheckResult result;
  if (QFileInfo::exists(path)) result.version = ReadUpgradeVersion(path);
  if (result.version <= kBuildNumber) {
    // No file yet, or nothing newer: fetch a fresh description for the next start.
    QString ignored;
    result.action = DownloadFresh(UpgradeFileAddress(), path, ignored) ? Action::Downloaded
                                                                       : Action::DownloadFailed;
    return result;
  }
  result.url = PickUpgradeUrl(path, clock);
  result.action = result.url.isEmpty() ? Action::NoAddress : Action::Announce;
  return result;
}
