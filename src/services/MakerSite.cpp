#include "MakerSite.h"

#include <QMutex>

#include "data/ProgramFolder.h"

namespace {
const QString kMakerSite = QStringLiteral("https://www.korvane.cn");
const QString kFeedbackAddress = QStringLiteral("feedback@korvane.cn");
QMutex siteMutex;
QString testSite;
}  // namespace

QString MakerSiteAddress() {
  QMutexLocker lock(&siteMutex);
  return testSite.isEmpty() ? kMakerSite : testSite;
}

void SetMakerSiteAddressForTesting(const QString &address) {
  QMutexLocker lock(&siteMutex);
  testSite = address;
  while (testSite.endsWith(QLatin1Char('/'))) testSite.chop(1);
}

QString MakerHomePage() { return kMakerSite; }

QString AdFileAddress() { return MakerSiteAddress() + QStringLiteral("/download/ad.txt"); }

QString UpgradeFileAddress() {
  return MakerSiteAddress() + QStringLiteral("/download/payslip_upgrade.txt");
}

QString MakerFeedbackAddress() { return kFeedbackAddress; }

QUrl HelpPageUrl(const QString &page) {
  return QUrl::fromLocalFile(ShippedFilesFolder() + QStringLiteral("help/") + page);
}
