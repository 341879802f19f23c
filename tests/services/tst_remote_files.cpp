#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "data/Clock.h"
#include "data/CodePage.h"
#include "data/Scramble.h"
#include "services/MakerSite.h"
#include "services/RemoteFiles.h"
#include "support/HttpTestServer.h"

using Action = UpgradeCheckResult::Action;
Q_DECLARE_METATYPE(UpgradeCheckResult::Action)

namespace {
const QString kUpgradePath = QStringLiteral("/download/payslip_upgrade.txt");
const QByteArray kServedDescription = "served description\r\n";

// An upgrade_file.txt as the maker writes it: every line scrambled on its own, CR LF, in the
// 8-bit code page.
QByteArray description(const QStringList &plainLines) {
  QByteArray out;
  for (const QString &line : plainLines) out += ToAnsiCodePage(ScrambleText(line)) + "\r\n";
  return out;
}

const QString kFirst = QStringLiteral("https://dl.example.com/korvane-13-a.exe");
const QString kSecond = QStringLiteral("https://mirror.example.net/korvane-13-b.exe");
const QString kThird = QStringLiteral("https://backup.example.org/korvane-13-c.exe");

// Random draws from a seeded generator, recording the bounds asked for.
class SeededClock : public Clock {
 public:
  explicit SeededClock(quint32 seed) : random_(seed) {}
  int randomBelow(int bound) override {
    bounds << bound;
    return bound <= 0 ? 0 : static_cast<int>(random_.bounded(bound));
  }
  QList<int> bounds;

 private:
  QRandomGenerator random_;
};

QByteArray readAll(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}
}  // namespace

// The advertisement download and the upgrade check against the loopback HTTP server.
class TestRemoteFiles : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(server_.putFile(QStringLiteral("download/payslip_upgrade.txt"), kServedDescription));
    QVERIFY(server_.putFile(QStringLiteral("download/ad.txt"),
                            ScrambleText(QStringLiteral("<p>广告</p>")).toLatin1()));
    HttpTestServer::Options options;
    options.statuses = {{QStringLiteral("/fail") + kUpgradePath, 404},
                        {QStringLiteral("/fail/download/ad.txt"), 500}};
    QVERIFY(server_.start(options));
  }
  void cleanup() { SetMakerSiteAddressForTesting(QString()); }

  void upgradeCheck_data() {
    QTest::addColumn<bool>("hasFile");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("serverFails");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("requests");          // of payslip_upgrade.txt
    QTest::addColumn<QByteArray>("fileAfter");  // null: no file afterwards

    const QByteArray v13one = description({"13", kFirst});
    QTest::newRow("first start") << false << QByteArray() << false << Action::Downloaded
                                 << QString() << 1 << kServedDescription;
    QTest::newRow("first start, download fails")
        << false << QByteArray() << true << Action::DownloadFailed << QString() << 1
        << QByteArray();
    QTest::newRow("12 is this build") << true << description({"12", kFirst}) << false
                                      << Action::Downloaded << QString() << 1 << kServedDescription;
    QTest::newRow("an older build") << true << description({"9", kFirst}) << false
                                    << Action::Downloaded << QString() << 1 << kServedDescription;
    QTest::newRow("12, download fails: the old file is gone")
        << true << description({"12"}) << true << Action::DownloadFailed << QString() << 1
        << QByteArray();
    QTest::newRow("13 without addresses")
        << true << description({"13"}) << false << Action::NoAddress << QString() << 0
        << description({"13"});
    QTest::newRow("13 with one address")
        << true << v13one << false << Action::Announce << kFirst << 0 << v13one;
    QTest::newRow("13 with one address, LF only")
        << true << QByteArray(v13one).replace("\r\n", "\n") << false << Action::Announce << kFirst
        << 0 << QByteArray(v13one).replace("\r\n", "\n");
    QTest::newRow("a first line that does not unscramble")
        << true << QByteArray("not-hex-at-all\r\n") + description({kFirst}) << false
        << Action::Downloaded << QString() << 1 << kServedDescription;
    QTest::newRow("a first line that is no number")
        << true << description({"thirteen", kFirst}) << false << Action::Downloaded << QString()
        << 1 << kServedDescription;
    QTest::newRow("an empty file") << true << QByteArray("") << false << Action::Downloaded
                                   << QString() << 1 << kServedDescription;
    QTest::newRow("13 with an address that does not unscramble")
        << true << description({"13"}) + "zzzz\r\n"
        << false << Action::NoAddress << QString() << 0 << description({"13"}) + "zzzz\r\n";
  }

  void upgradeCheck() {
    QFETCH(bool, hasFile);
    QFETCH(QByteArray, file);
    QFETCH(bool, serverFails);
    QFETCH(Action, action);
    QFETCH(QString, url);
    QFETCH(int, requests);
    QFETCH(QByteArray, fileAfter);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("upgrade_file.txt"));
    if (hasFile) QVERIFY(writeFile(path, file));
    SetMakerSiteAddressForTesting(server_.baseUrl() +
                                  (serverFails ? QStringLiteral("/fail") : QString()));
    const qsizetype before = upgradeRequests();

    SeededClock clock(7);
    const UpgradeCheckResult result = CheckForUpgrade(folder.path() + QLatin1Char('/'), clock);
    QCOMPARE(result.action, action);
    QCOMPARE(result.url, url);
    QCOMPARE(upgradeRequests() - before, requests);
    QCOMPARE(QFile::exists(path), !fileAfter.isNull());
    if (!fileAfter.isNull()) QCOMPARE(readAll(path), fileAfter);
  }

  // With three addresses the last is never picked; over many draws both others are.
  void threeAddressesPickTheFirstOrTheSecond() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("upgrade_file.txt"));
    QVERIFY(writeFile(path, description({"13", kFirst, kSecond, kThird})));
    QCOMPARE(ReadUpgradeVersion(path), 13);
    QSet<QString> picked;
    for (quint32 seed = 1; seed <= 200; ++seed) {
      SeededClock clock(seed);
      const QString url = PickUpgradeUrl(path, clock);
      QCOMPARE(clock.bounds, QList<int>{2});
      picked << url;
    }
    QCOMPARE(picked, (QSet<QString>{kFirst, kSecond}));
    SeededClock clock(3);
    QVERIFY(CheckForUpgrade(folder.path() + QLatin1Char('/'), clock).url != kThird);
  }

  void readUpgradeVersion_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("version");
    QTest::newRow("13") << description({"13"}) << 13;
    QTest::newRow("no line break") << ToAnsiCodePage(ScrambleText("27")) << 27;
    QTest::newRow("addresses follow") << description({"14", kFirst, kSecond}) << 14;
    QTest::newRow("not hex") << QByteArray("12ab-x\r\n") << 0;
    QTest::newRow("not a number") << description({"版本13"}) << 0;
    QTest::newRow("empty first line") << QByteArray("\r\n") + description({"13"}) << 0;
  }
  void readUpgradeVersion() {
    QFETCH(QByteArray, file);
    QFETCH(int, version);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("upgrade_file.txt"));
    QVERIFY(writeFile(path, file));
    QCOMPARE(ReadUpgradeVersion(path), version);
  }

  void missingFileReadsAsNothing() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("upgrade_file.txt"));
    QCOMPARE(ReadUpgradeVersion(path), 0);
    SeededClock clock(1);
    QCOMPARE(PickUpgradeUrl(path, clock), QString());
    QVERIFY(clock.bounds.isEmpty());
  }

  // A failed download keeps the old advertisement; a good one replaces it whole.
  void adDownload() {
    QTemporaryDir folder;
    const QString folderPath = folder.path() + QLatin1Char('/');
    const QString ad = folderPath + QStringLiteral("ad.txt");
    QVERIFY(writeFile(ad, "old"));
    SetMakerSiteAddressForTesting(server_.baseUrl() + QStringLiteral("/fail"));
    QVERIFY(!DownloadAdFile(folderPath));
    QCOMPARE(readAll(ad), QByteArray("old"));
    SetMakerSiteAddressForTesting(server_.baseUrl());
    QVERIFY(DownloadAdFile(folderPath));
    QString plain;
    QVERIFY(TryUnscrambleText(QString::fromLatin1(readAll(ad)), plain));
    QCOMPARE(plain, QStringLiteral("<p>广告</p>"));
    QCOMPARE(server_.requests().last().path, QStringLiteral("/download/ad.txt"));
  }

  void addressesOfTheSite() {
    QVERIFY(AdFileAddress().startsWith(QStringLiteral("https://")));
    QVERIFY(UpgradeFileAddress().startsWith(QStringLiteral("https://")));
    QVERIFY(UpgradeFileAddress().endsWith(kUpgradePath));
    SetMakerSiteAddressForTesting(QStringLiteral("http://127.0.0.1:1/"));
    QCOMPARE(AdFileAddress(), QStringLiteral("http://127.0.0.1:1/download/ad.txt"));
    QVERIFY(MakerHomePage().startsWith(QStringLiteral("https://")));  // not the test's
  }

 private:
  qsizetype upgradeRequests() const {
    qsizetype count = 0;
    for (const HttpTestServer::Request &r : server_.requests())
      if (r.path.endsWith(kUpgradePath)) ++count;
    return count;
  }

  HttpTestServer server_;
};

QTEST_GUILESS_MAIN(TestRemoteFiles)
#include "tst_remote_files.moc"
