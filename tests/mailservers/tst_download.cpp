#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include "ProviderListFixture.h"
#include "network/Download.h"
#include "support/HttpTestServer.h"

// Downloads against a real HTTP server on loopback.
class TestDownload : public QObject {
  Q_OBJECT

  HttpTestServer server_;

  static QStringList folderEntries(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
  }

 private slots:
  void initTestCase() {
    QVERIFY(server_.putFile(QStringLiteral("download/list.txt"), "fresh body\r\n"));
    HttpTestServer::Options options;
    options.statuses = {{QStringLiteral("/download/missing.txt"), 404},
                        {QStringLiteral("/download/broken.txt"), 500}};
    options.redirects = {{QStringLiteral("/old/list.txt"), QStringLiteral("/download/list.txt")}};
    QVERIFY(server_.start(options));
  }

  void downloadUrlToFile_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("content");  // of the target afterwards
    QTest::newRow("file") << "/download/list.txt" << true << QByteArray("fresh body\r\n");
    QTest::newRow("redirect followed") << "/old/list.txt" << true << QByteArray("fresh body\r\n");
    QTest::newRow("404 keeps the old file")
        << "/download/missing.txt" << false << QByteArray("old");
    QTest::newRow("500 keeps the old file") << "/download/broken.txt" << false << QByteArray("old");
  }
  void downloadUrlToFile() {
    QFETCH(QString, path);
    QFETCH(bool, ok);
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target.txt"));
    QVERIFY(WriteBytes(target, "old"));
    QString error;
    QCOMPARE(DownloadUrlToFile(server_.baseUrl() + path, target, error), ok);
    QCOMPARE(ReadBytes(target), content);
    if (!ok) QVERIFY(!error.isEmpty());
    // No temporary file is left beside the target.
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("target.txt")});
  }

  void askTheServerAgainEveryTime() {
    QTemporaryDir dir;
    const int before = server_.requests().size();
    QVERIFY(DownloadUrlToFile(server_.baseUrl() + "/download/list.txt", dir.filePath("a.txt")));
    QVERIFY(DownloadUrlToFile(server_.baseUrl() + "/download/list.txt", dir.filePath("a.txt")));
    const auto requests = server_.requests().mid(before);
    QCOMPARE(requests.size(), 2);
    for (const auto &request : requests) {
      QCOMPARE(request.headers.value("cache-control").toString(), QStringLiteral("no-cache"));
      QCOMPARE(request.headers.value("pragma").toString(), QStringLiteral("no-cache"));
    }
  }

  void downloadFreshDeletesFirst_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("exists");
    QTest::newRow("success replaces") << "/download/list.txt" << true << true;
    QTest::newRow("failure leaves no file") << "/download/missing.txt" << false << false;
  }
  void downloadFreshDeletesFirst() {
    QFETCH(QString, path);
    QFETCH(bool, ok);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target.txt"));
    QVERIFY(WriteBytes(target, "old"));
    QCOMPARE(DownloadFresh(server_.baseUrl() + path, target), ok);
    QCOMPARE(QFile::exists(target), exists);
  }

  void refusedConnectionFails() {
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    QTemporaryDir dir;
    QString error;
    QVERIFY(!DownloadUrlToFile(QStringLiteral("http://127.0.0.1:%1/x").arg(port),
                               dir.filePath("x.txt"), error));
    QVERIFY(!error.isEmpty());
    QVERIFY(folderEntries(dir.path()).isEmpty());
  }

  void unwritableTargetFails() {
    QString error;
    QVERIFY(!DownloadUrlToFile(server_.baseUrl() + "/download/list.txt",
                               QStringLiteral("/nonexistent-folder/x.txt"), error));
  }
};

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"
