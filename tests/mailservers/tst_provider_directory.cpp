#include <QFile>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <thread>

#include "ProviderListFixture.h"
#include "data/CodePage.h"
#include "data/Scramble.h"
#include "mailservers/ProviderDirectoryUpdate.h"
#include "mailservers/ProviderListParser.h"
#include "services/MakerSite.h"
#include "support/HttpTestServer.h"
#include "support/TestDatabase.h"
#include "support/TestPaths.h"

namespace {
const QStringList kQq{"QQ邮箱", "smtp.qq.com", "465", "true", "1", "qq.com", "需使用授权码"};
const QStringList kCorp{"网易企业邮箱", "smtp.qiye.163.com", "465", "1", "2", "qiye.163.com",
                        "企业"};
const QStringList kOld{"旧", "old.example", "25", "0", "1", "old.example", ""};
QString row(const QStringList &f) { return f.join(QLatin1Char('|')).replace("|true|", "|1|"); }
const QString kMassPath = QStringLiteral("/download/mass.txt");
}  // namespace

// The directory update against a real HTTP server on loopback and a real payslip.mdb.
class TestProviderDirectory : public QObject {
  Q_OBJECT

  HttpTestServer server_;

  // Serves the list at the normal and at the slow address.
  void serve(const QByteArray &list) {
    QVERIFY(server_.putFile(QStringLiteral("download/mass.txt"), list));
    QVERIFY(server_.putFile(QStringLiteral("slow/download/mass.txt"), list));
  }
  int requestsFor(const QString &path) {
    const auto all = server_.requests();
    return int(
        std::count_if(all.begin(), all.end(), [&](const auto &r) { return r.path == path; }));
  }
  static QString errLog(const TestProgramFolder &folder) {
    return FromAnsiCodePage(ReadBytes(folder.file("Err.txt")));
  }
  static QByteArray shippedList() {
    return ReadBytes(SourceDir() + QStringLiteral("/resources/providers/mass.txt"));
  }
  // The rows a list puts into the directory, as DirectoryRows() shows them.
  static QStringList rowsOf(const QByteArray &list) {
    QStringList rows;
    for (const QString &line : ProviderListParser::splitLines(FromAnsiCodePage(list))) {
      const QStringList fields = ProviderListParser::splitFields(line);
      QString statement;
      if (ProviderListParser::buildInsert(fields, statement) != ProviderListParser::Verdict::Insert)
        continue;
      QStringList plain;
      for (const QString &f : fields.mid(0, 7)) plain << UnscrambleText(f);
      rows << row(plain);
    }
    return rows;
  }

 private slots:
  void initTestCase() {
    HttpTestServer::Options options;
    options.statuses = {{QStringLiteral("/bad/download/mass.txt"), 404}};
    options.delays = {{QStringLiteral("/slow/download/mass.txt"), 0.6}};
    QVERIFY(server_.start(options));
  }
  void init() { SetMakerSiteAddressForTesting(server_.baseUrl()); }
  void cleanupTestCase() { SetMakerSiteAddressForTesting(QString()); }

  void modes_data() {
    QTest::addColumn<ProviderDirectoryMode>("mode");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<bool>("runs");
    QTest::newRow("if-empty on an empty table") << ProviderDirectoryMode::IfEmpty << false << true;
    QTest::newRow("if-empty on a filled table") << ProviderDirectoryMode::IfEmpty << true << false;
    QTest::newRow("always on a filled table") << ProviderDirectoryMode::Always << true << true;
    QTest::newRow("always on an empty table") << ProviderDirectoryMode::Always << false << true;
  }
  void modes() {
    QFETCH(ProviderDirectoryMode, mode);
    QFETCH(bool, filled);
    QFETCH(bool, runs);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    const QByteArray list = ProviderList({ProviderLine(kQq), ProviderLine(kCorp)});
    serve(list);
    if (filled) QVERIFY(AddDirectoryRow(kOld));
    QVERIFY(WriteBytes(folder.file("mass.txt"), "OLD"));
    QVERIFY(WriteBytes(folder.file("Err.txt"), "OLD ERR"));
    const int before = requestsFor(kMassPath);

    RefreshProviderDirectory(mode);

    QCOMPARE(requestsFor(kMassPath) - before, runs ? 1 : 0);
    if (runs) {
      QCOMPARE(DirectoryRows(), (QStringList{row(kQq), row(kCorp)}));
      QCOMPARE(ReadBytes(folder.file("mass.txt")), list);
      QCOMPARE(errLog(folder), QStringLiteral("delete!\r\n"));
    } else {
      QCOMPARE(DirectoryRows(), QStringList{row(kOld)});
      QCOMPARE(ReadBytes(folder.file("mass.txt")), QByteArray("OLD"));
      QCOMPARE(errLog(folder), QStringLiteral("OLD ERR"));
    }
  }

  void listVariants_data() {
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("loggedErrors");
    const QByteArray qq = ProviderLine(kQq);
    const QByteArray corp = ProviderLine(kCorp);
    const auto fields = [](const QStringList &plain, int keep) {
      return ProviderLine(plain.mid(0, keep));
    };
    QList<QByteArray> scrambled;
    for (const QString &f : kCorp) scrambled << ScrambleText(f).toLatin1();
    const auto withField = [&](int index, const QByteArray &raw) {
      QList<QByteArray> f = scrambled;
      f[index] = raw;
      return f.join('\t');
    };
    QTest::newRow("no lines") << QByteArray() << QStringList{} << 0;
    QTest::newRow("five fields: no domain, no notes")
        << ProviderList({fields(kCorp, 5)})
        << QStringList{"网易企业邮箱|smtp.qiye.163.com|465|1|2||"} << 0;
    QTest::newRow("fewer than five skipped")
        << ProviderList({fields(kCorp, 4), qq}) << QStringList{row(kQq)} << 0;
    QTest::newRow("two tabs in a row shift the fields")
        << ProviderList({withField(2, QByteArray()), qq}) << QStringList{row(kQq)} << 0;
    QTest::newRow("quoted fields and blank separators")
        << ProviderList({"  \"" + scrambled.join("\" \"") + "\""}) << QStringList{row(kCorp)} << 0;
    QTest::newRow("LF line ends, no final break")
        << (qq + "\n" + corp) << QStringList{row(kQq), row(kCorp)} << 0;
    QTest::newRow("port not scrambled: line skipped")
        << ProviderList({withField(2, "ZZZZ"), qq}) << QStringList{row(kQq)} << 0;
    QTest::newRow("bad hex in login ends the run, earlier rows stay")
        << ProviderList({qq, withField(3, "12G4"), corp}) << QStringList{row(kQq)} << 0;
    QTest::newRow("bad hex in type ends the run")
        << ProviderList({qq, withField(4, "XXXX"), corp}) << QStringList{row(kQq)} << 0;
    QTest::newRow("rejected insert logged, next line read")
        << ProviderList({withField(3, ScrambleText("yes").toLatin1()), qq}) << QStringList{row(kQq)}
        << 1;
    QTest::newRow("empty login rejected")
        << ProviderList({withField(3, "\"\""), corp}) << QStringList{row(kCorp)} << 1;
  }
  void listVariants() {
    QFETCH(QByteArray, list);
    QFETCH(QStringList, rows);
    QFETCH(int, loggedErrors);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(AddDirectoryRow(kOld));
    serve(list);

    RefreshProviderDirectory(ProviderDirectoryMode::Always);

    QCOMPARE(DirectoryRows(), rows);
    QCOMPARE(ReadBytes(folder.file("mass.txt")), list);
    const QString log = errLog(folder);
    QCOMPARE(log.count(QStringLiteral("\r\n错误\r\ninsert into smtpservers(")), loggedErrors);
    QCOMPARE(log.isEmpty(), loggedErrors == 0);
    if (loggedErrors) QVERIFY(log.endsWith(QStringLiteral(")\r\n")));
  }

  void consecutiveRunsLeaveTheSameRows() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    serve(ProviderList({ProviderLine(kQq), ProviderLine(kCorp)}));
    RefreshProviderDirectory(ProviderDirectoryMode::Always);
    QCOMPARE(errLog(folder), QString());
    const QStringList first = DirectoryRows();
    RefreshProviderDirectory(ProviderDirectoryMode::Always);
    QCOMPARE(DirectoryRows(), first);
    QCOMPARE(errLog(folder), QStringLiteral("delete!\r\n"));
  }

  void failedDownload_data() {
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QByteArray>("folderList");  // mass.txt before the run; empty: none
    QTest::addColumn<bool>("fromFolderList");    // else the compiled-in copy fills it
    const QByteArray newer = ProviderList({ProviderLine(kCorp)});
    QTest::newRow("filled directory kept, old list gone") << true << shippedList() << false;
    QTest::newRow("empty directory filled from the shipped list") << false << shippedList() << true;
    QTest::newRow("empty directory, list downloaded earlier") << false << newer << true;
    QTest::newRow("empty directory, no list in the folder: the compiled-in copy")
        << false << QByteArray() << false;
  }
  void failedDownload() {
    QFETCH(bool, filled);
    QFETCH(QByteArray, folderList);
    QFETCH(bool, fromFolderList);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    SetMakerSiteAddressForTesting(server_.baseUrl() + QStringLiteral("/bad"));
    if (filled) QVERIFY(AddDirectoryRow(kOld));
    if (!folderList.isEmpty()) QVERIFY(WriteBytes(folder.file("mass.txt"), folderList));
    QVERIFY(WriteBytes(folder.file("Err.txt"), "OLD ERR"));

    RefreshProviderDirectory(filled ? ProviderDirectoryMode::Always
                                    : ProviderDirectoryMode::IfEmpty);

    if (filled) {
      QCOMPARE(DirectoryRows(), QStringList{row(kOld)});
      QVERIFY(!QFile::exists(folder.file("mass.txt")));
      QCOMPARE(errLog(folder), QStringLiteral("OLD ERR"));
      return;
    }
    const QByteArray used = fromFolderList ? folderList : shippedList();
    QCOMPARE(DirectoryRows(), rowsOf(used));
    QCOMPARE(ReadBytes(folder.file("mass.txt")), used);
    QCOMPARE(errLog(folder), folderList.isEmpty() ? QString() : QStringLiteral("delete!\r\n"));
  }

  // An offline always-mode run deletes mass.txt and keeps the directory; a database with an
  // empty directory afterwards (a new payslip.mdb) is still filled offline.
  void shippedListSurvivesAnOfflineAlwaysRun() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    SetMakerSiteAddressForTesting(server_.baseUrl() + QStringLiteral("/bad"));
    QVERIFY(WriteBytes(folder.file("mass.txt"), shippedList()));
    QVERIFY(AddDirectoryRow(kOld));
    const int refused = requestsFor(QStringLiteral("/bad") + kMassPath);

    RefreshProviderDirectory(ProviderDirectoryMode::Always);
    QCOMPARE(requestsFor(QStringLiteral("/bad") + kMassPath), refused + 1);
    QVERIFY(!QFile::exists(folder.file("mass.txt")));
    QCOMPARE(DirectoryRows(), QStringList{row(kOld)});

    QVERIFY(Exec("delete from smtpservers"));
    RefreshProviderDirectory(ProviderDirectoryMode::IfEmpty);
    QCOMPARE(requestsFor(QStringLiteral("/bad") + kMassPath), refused + 2);
    const QStringList rows = DirectoryRows();
    QCOMPARE(rows, rowsOf(shippedList()));
    QCOMPARE(rows.filter(QStringLiteral("|smtp.qq.com|465|1|1|qq.com|")).size(), 1);
  }

  void compiledInListIsTheShippedFile() { QCOMPARE(ShippedProviderList(), shippedList()); }

  void twoRequestsAtOnceRunOneAfterTheOther() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(AddDirectoryRow(kOld));
    serve(ProviderList({ProviderLine(kQq), ProviderLine(kCorp)}));
    SetMakerSiteAddressForTesting(server_.baseUrl() + QStringLiteral("/slow"));
    const int before = server_.requests().size();

    std::thread a([] { RefreshProviderDirectory(ProviderDirectoryMode::Always); });
    std::thread b([] { RefreshProviderDirectory(ProviderDirectoryMode::Always); });
    a.join();
    b.join();

    auto requests = server_.requests().mid(before);
    QCOMPARE(requests.size(), 2);
    std::sort(requests.begin(), requests.end(),
              [](const auto &x, const auto &y) { return x.start < y.start; });
    QVERIFY2(requests[1].start >= requests[0].end, "the second download began during the first");
    QCOMPARE(DirectoryRows(), (QStringList{row(kQq), row(kCorp)}));
    QCOMPARE(errLog(folder), QStringLiteral("delete!\r\n"));
  }

  // The delete and the inserts are one transaction: a reader on another connection sees the
  // old directory or the whole new one, never an empty or half-filled table.
  void readersNeverSeeAHalfFilledDirectory() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(AddDirectoryRow(kOld));
    QList<QByteArray> lines;
    constexpr int kProviders = 1500;
    for (int i = 0; i < kProviders; ++i) {
      QStringList f = kQq;
      f[5] = QStringLiteral("d%1.example").arg(i);
      lines << ProviderLine(f);
    }
    serve(ProviderList(lines));
    std::atomic<bool> done{false};
    std::thread update([&] {
      RefreshProviderDirectory(ProviderDirectoryMode::Always);
      done = true;
    });
    QSet<int> seen;
    while (!done) seen << Scalar("select count(*) from smtpservers").toInt();
    update.join();
    seen << Scalar("select count(*) from smtpservers").toInt();
    QVERIFY2((seen - QSet<int>{1, kProviders}).isEmpty(),
             qPrintable(QStringLiteral("a reader saw %1 rows")
                            .arg((seen - QSet<int>{1, kProviders}).values().value(0))));
    QVERIFY(seen.contains(kProviders));
  }

  void missingDatabaseIsNotCreated() {
    TestProgramFolder folder;
    const int before = server_.requests().size();
    RefreshProviderDirectory(ProviderDirectoryMode::IfEmpty);
    QVERIFY(!QFile::exists(folder.file("payslip.mdb")));
    QCOMPARE(server_.requests().size(), before);
  }
};

QTEST_GUILESS_MAIN(TestProviderDirectory)
#include "tst_provider_directory.moc"
