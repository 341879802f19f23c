#include "UpgradeNotice.h"

#include <QApplication>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include "RemoteFiles.h"
#include "data/Clock.h"
#include "data/ProgramFolder.h"
#include "widgets/Interaction.h"

const char *const kUpgradeNotice =
    "发现新版本，系统将打开默认浏览器进行下载，请在下载完成后安装新的版本！";

void CheckForUpgrade() {
  const UpgradeCheckResult result = CheckForUpgrade(ProgramFolder(), Clock::instance());
  if (result.action == UpgradeCheckResult::Action::Announce) AnnounceUpgrade(result.url);
}

void AnnounceUpgrade(const QString &url) {
  QCoreApplication *app = QCoreApplication::instance();
  if (!app) return;
  const auto announce = [url] {
    Interaction::current().showMessage(QString::fromUtf8(kUpgradeNotice));
    QWidget *owner = QApplication::activeWindow();
    OpenInDefaultBrowser(owner, url);
  };
  if (QThread::currentThread() == app->thread())
    announce();
  else
    QMetaObject::invokeMethod(app, announce, Qt::BlockingQueuedConnection);
}

bool OpenInDefaultBrowser(QWidget *, const QString &url) {
  const QUrl address(url.trimmed(), QUrl::StrictMode);
  const QString scheme = address.scheme().toLower();
  if (!address.isValid() || address.host().isEmpty() ||
      (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
    return false;
  return Interaction::current().openExternally(address);
}
