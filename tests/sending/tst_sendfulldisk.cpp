#include <unistd.h>

#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTest>

#include "SendFixture.h"
#include "data/Data.h"
#include "support/SmtpTestServer.h"
#include "support/TestDatabase.h"

using namespace SendFixture;

namespace {
struct Run {
  int status = -1;
  QString out;
  QString err;
};

Run cli(const QStringList &args) {
  QProcess p;
  p.start(QStringLiteral(KORVANE_CLI), args);
  p.closeWriteChannel();
  Run r;
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.status = p.exitCode();
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

bool runTool(const QString &program, const QStringList &args, QString &errorText) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    errorText = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    if (errorText.isEmpty()) errorText = p.errorString();
    return false;
  }
  return true;
}

// A small tmpfs mounted over a folder, detached again on destruction (lazily, so that the
// database connection still open on it does not keep it).
struct SmallFileSystem {
  QString path;
  bool mounted = false;
  QString error;
  SmallFileSystem(const QString &folder, const QString &size) : path(folder) {
    mounted = runTool(QStringLiteral("mount"),
                      {"-t", "tmpfs", "-o", "size=" + size + ",mode=0700", "tmpfs", path}, error);
  }
  ~SmallFileSystem() {
    QString ignored;
    if (mounted) runTool(QStringLiteral("umount"), {"-l", path}, ignored);
  }
};

// Writes a file until the file system is full, then gives back the given number of bytes.
bool fillLeaving(const QString &file, qint64 bytesLeft) {
  QFile filler(file);
  if (!filler.open(QIODevice::WriteOnly)) return false;
  const QByteArray block(4096, 'x');
  while (filler.write(block) == block.size() && filler.flush()) {
  }
  filler.close();
  return filler.resize(qMax<qint64>(0, filler.size() - bytesLeft));
}

QStringList delivered(const SmtpTestServer &server) {
  QStringList out;
  for (const QJsonObject &r : server.received()) out << r.value("to").toString();
  return out;
}
}  // namespace

// payslip.mdb on a file system that fills up in the middle of a batch.
class TestSendFullDisk : public QObject {
  Q_OBJECT

 private slots:
  void batchOnAFullDisk();
  void refusedMailsOnAFullDisk();
};

void TestSendFullDisk::batchOnAFullDisk() {
  if (geteuid() != 0) QSKIP("mounting a small tmpfs for payslip.mdb needs root");
  constexpr int kMails = 20;
  TestProgramFolder folder;
  SmallFileSystem disk(folder.path(), QStringLiteral("1m"));
  if (!disk.mounted) QSKIP(qPrintable("cannot mount a tmpfs: " + disk.error));
  QVERIFY(folder.open());

  SmtpTestServer server;
  QVERIFY(server.start());
  const int account = addAccount("公司", server.host(), server.port());
  QStringList addresses;
  for (int i = 1; i <= kMails; ++i) addresses << QStringLiteral("p%1@example.com").arg(i);
  addPayslips(addresses);
  // Payslips of a real size: every archive copy takes a few pages.
  QVERIFY(Exec("update payslip set html_str='<p>'||hex(randomblob(3000))||'</p>'"));
  QVERIFY(Exec("PRAGMA wal_checkpoint(TRUNCATE)"));
  QVERIFY(fillLeaving(folder.file("filler"), 48 * 1024));

  const QStringList send{
      "send",       "--folder", folder.path(), "--account", QString::number(account),
      "--interval", "0",        "--pause",     "0"};
  const Run full = cli(send);
  qInfo("exit %d, stderr: %s", full.status, qPrintable(full.err.trimmed()));
  QCOMPARE(full.status, 2);
  // The database's own reason, as the send window shows it; the pass stops there.
  QCOMPARE(full.err.trimmed(), QStringLiteral("database or disk is full"));

  QCOMPARE(Scalar("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
  const QList<bool> statuses = sendStatuses();
  QSet<QString> sent;
  for (int i = 0; i < kMails; ++i)
    if (statuses.at(i)) sent << addresses.at(i);
  QVERIFY(sent.size() < kMails);
  qInfo("%d of %d mails recorded before the disk was full", int(sent.size()), kMails);
  QCOMPARE(static_cast<int>(archive().size()), static_cast<int>(sent.size()));
  QStringList got = delivered(server);
  QSet<QString> gotSet(got.cbegin(), got.cend());
  // Nothing reads as sent that the server did not accept; the pass stopped at the first mail
  // it could not record.
  QVERIFY(gotSet.contains(sent));
  QCOMPARE(static_cast<int>(got.size()), static_cast<int>(sent.size()) + 1);

  // With room again, the next send delivers the rest: only the unrecorded mail goes twice.
  QVERIFY(QFile::remove(folder.file("filler")));
  const Run again = cli(send);
  QCOMPARE(again.status, 0);
  QCOMPARE(Scalar("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
  QCOMPARE(sendStatuses(), QList<bool>(kMails, true));
  QCOMPARE(static_cast<int>(archive().size()), kMails);
  got = delivered(server);
  gotSet = QSet<QString>(got.cbegin(), got.cend());
  QCOMPARE(static_cast<int>(gotSet.size()), kMails);
  QCOMPARE(static_cast<int>(got.size()), kMails + 1);
}

// Every mail refused while no error text can be written: the pass goes on to the end, no row
// changes, and the count says what happened.
void TestSendFullDisk::refusedMailsOnAFullDisk() {
  if (geteuid() != 0) QSKIP("mounting a small tmpfs for payslip.mdb needs root");
  TestProgramFolder folder;
  SmallFileSystem disk(folder.path(), QStringLiteral("1m"));
  if (!disk.mounted) QSKIP(qPrintable("cannot mount a tmpfs: " + disk.error));
  QVERIFY(folder.open());
  SmtpTestServer server;
  SmtpTestServer::Options refusing;
  refusing.replyToMail = QStringLiteral("550 5.7.1 Sender address rejected");
  QVERIFY(server.start(refusing));
  const int account = addAccount("公司", server.host(), server.port());
  addPayslips({"a@example.com", "b@example.com", "c@example.com"});
  QVERIFY(Exec("PRAGMA wal_checkpoint(TRUNCATE)"));
  QVERIFY(fillLeaving(folder.file("filler"), 0));

  const Run full = cli({"send", "--folder", folder.path(), "--account", QString::number(account),
                        "--interval", "0", "--pause", "0"});
  QCOMPARE(full.status, 1);
  QVERIFY2(full.out.endsWith(QStringLiteral("发送完毕!成功0条,失败3条!\n")), qPrintable(full.out));
  QCOMPARE(Scalar("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
  QCOMPARE(sendStatuses(), QList<bool>(3, false));
  QCOMPARE(errorTexts(), QStringList(3));
  QVERIFY(archive().isEmpty());
  QVERIFY(server.received().isEmpty());
}

QTEST_GUILESS_MAIN(TestSendFullDisk)
#include "tst_sendfulldisk.moc"
