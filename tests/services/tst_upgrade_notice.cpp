#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

#include "app/Application.h"
#include "data/CodePage.h"
#include "data/ProgramFolder.h"
#include "data/Scramble.h"
#include "services/MakerSite.h"
#include "services/UpgradeNotice.h"
#include "support/HttpTestServer.h"
#include "support/ScriptedInteraction.h"

namespace {
const QString kUrl = QStringLiteral("https://dl.example.com/korvane-13.exe");

// Records on which thread each message was shown, and the order of messages and hand-offs.
class ThreadNotingInteraction : public ScriptedInteraction {
 public:
  QList<QThread *> messageThreads;
  void showMessage(const QString &text) override {
    messageThreads << QThread::currentThread();
    ScriptedInteraction::showMessage(text);
  }
};
}  // namespace

// The notice of a newer build: shown on the window thread, the browser opened after it.
class TestUpgradeNotice : public QObject {
  Q_OBJECT

 private slots:
  void noticeFromTheCheckThread() {
    QTemporaryDir folder;
    SetProgramFolderForTesting(folder.path());
    QFile file(folder.filePath(QStringLiteral("upgrade_file.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ToAnsiCodePage(ScrambleText("13") + "\r\n" + ScrambleText(kUrl) + "\r\n"));
    file.close();
    HttpTestServer server;  // nothing may be downloaded in this branch
    QVERIFY(server.start());
    SetMakerSiteAddressForTesting(server.baseUrl());

    ThreadNotingInteraction ui;
    std::atomic<bool> done{false};
    std::thread check([&] {
      CheckForUpgrade();
      done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    check.join();

    QCOMPARE(ui.messages(), QStringList{QString::fromUtf8(kUpgradeNotice)});
    QCOMPARE(ui.messageThreads, QList<QThread *>{qApp->thread()});
    QCOMPARE(ui.opened(), QList<QUrl>{QUrl(kUrl)});
    QCOMPARE(ui.shown.last().kind, ScriptedInteraction::Kind::External);  // after the notice
    QVERIFY(server.requests().isEmpty());
    SetMakerSiteAddressForTesting(QString());
    SetProgramFolderForTesting(QString());
  }

  // The address comes from a downloaded file: only web addresses reach the desktop.
  void browserOpensWebAddressesOnly_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << kUrl << true;
    QTest::newRow("http") << "http://dl.example.com/a.exe" << true;
    QTest::newRow("file") << "file:///usr/bin/xterm" << false;
    QTest::newRow("a local path") << "/tmp/setup.sh" << false;
    QTest::newRow("another scheme") << "smb://host/share/setup.exe" << false;
    QTest::newRow("no host") << "https://" << false;
    QTest::newRow("empty") << "" << false;
  }
  void browserOpensWebAddressesOnly() {
    QFETCH(QString, url);
    QFETCH(bool, opened);
    ScriptedInteraction ui;
    QCOMPARE(OpenInDefaultBrowser(nullptr, url), opened);
    QCOMPARE(ui.opened().size(), opened ? 1 : 0);
  }
};

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  SetUpApplication(app);
  TestUpgradeNotice test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_upgrade_notice.moc"
