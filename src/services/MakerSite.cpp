#include "MakerSite.h"

#include <QMutex>

namespace {
const QString kMakerSite = QStringLiteral("https://www.korvane.cn");
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

QString HelpPageAddress() { return MakerSiteAddress() + QStringLiteral("/help.html"); }
