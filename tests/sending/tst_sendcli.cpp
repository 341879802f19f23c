#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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

Run cli(const QStringList &args, const QByteArray &input = QByteArray()) {
  QProcess p;
  p.start(QStringLiteral(KORVANE_CLI), args);
  p.write(input);
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

QStringList lines(const QString &text) { return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

QStringList recipients(const SmtpTestServer &server) {
  QStringList out;
  for (const QJsonObject &r : server.received()) out << r.value("to").toString();
  return out;
}
}  // namespace

// korvane-cli account and send against the SMTP fixture, on a program folder of the test's.
class TestSendCli : public QObject {
  Q_OBJECT

 private slots:
  void accounts();
  void accountUsageErrors_data();
  void accountUsageErrors();
  void sendsThenResendsOnlyTheUnsent();
  void dryRunSendsNothing();
  void optionsOfMassIni();
  void setUpErrors_data();
  void setUpErrors();
  void killedInTheMiddleOfABatch();
};

void TestSendCli::accounts() {
  QTemporaryDir dir;
  const QString folder = dir.path();
  Run add = cli({"account", "add", "--folder", folder, "--name", "公司邮箱", "--host",
                 "smtp.example.cn", "--port", "465", "--from", "hr@example.cn", "--password-stdin"},
                "pa'ss\n");
  QCOMPARE(add.status, 0);
  QCOMPARE(add.out, QStringLiteral("1\n"));
  QVERIFY(QFile::exists(folder + "/payslip.mdb"));
  Run relay = cli({"account", "add", "--folder", folder, "--name", "relay", "--host", "127.0.0.1",
                   "--port", "25", "--from", "a@b.cn", "--user", "svc", "--no-login"});
  QCOMPARE(relay.out, QStringLiteral("2\n"));

  Run list = cli({"account", "list", "--folder", folder});
  QCOMPARE(list.status, 0);
  const QJsonArray accounts = QJsonDocument::fromJson(list.out.toUtf8()).array();
  QCOMPARE(accounts.size(), 2);
  const QJsonObject first = accounts.at(0).toObject();
  QCOMPARE(first.value("server_name").toString(), QStringLiteral("公司邮箱"));
  QCOMPARE(first.value("host").toString(), QStringLiteral("smtp.example.cn"));
  QCOMPARE(first.value("port").toInt(), 465);
  QCOMPARE(first.value("username").toString(), QStringLiteral("hr@example.cn"));
  QCOMPARE(first.value("login").toBool(), true);
  QCOMPARE(accounts.at(1).toObject().value("username").toString(), QStringLiteral("svc"));
  QCOMPARE(accounts.at(1).toObject().value("login").toBool(), false);
  QVERIFY(!list.out.contains("pa'ss"));
  QVERIFY(!first.contains("pwd"));

  // The password went where the account editor puts it.
  DbConnection connection;
  QString error;
  QVERIFY(OpenPayslipDatabase(connection, folder + "/", error));
  DbQuery query(connection);
  QVERIFY(SqlOpen("select pwd from smtp_server where server_id=1", query, error));
  QCOMPARE(query.field(0).toString(), QStringLiteral("pa'ss"));
}

void TestSendCli::accountUsageErrors_data() {
  QTest::addColumn<QStringList>("args");
  const QStringList base = {"account", "add", "--folder", "DIR", "--name", "n", "--from", "a@b.cn"};
  QTest::newRow("no host") << base + QStringList{"--port", "25"};
  QTest::newRow("port too big") << base + QStringList{"--host", "h", "--port", "70000"};
  QTest::newRow("port not a number") << base + QStringList{"--host", "h", "--port", "smtp"};
  QTest::newRow("unknown action") << QStringList{"account", "remove"};
  QTest::newRow("list of a folder without database")
      << QStringList{"account", "list", "--folder", "DIR"};
}

void TestSendCli::accountUsageErrors() {
  QFETCH(QStringList, args);
  QTemporaryDir dir;
  args.replaceInStrings(QStringLiteral("DIR"), dir.path());
  const Run r = cli(args);
  QCOMPARE(r.status, 2);
  QVERIFY(!QFile::exists(dir.filePath("payslip.mdb")));
}

void TestSendCli::sendsThenResendsOnlyTheUnsent() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  SmtpTestServer refusing;
  SmtpTestServer::Options options;
  options.refuseRecipients = {"b@example.com"};
  QVERIFY(refusing.start(options));
  const int account = addAccount("公司", refusing.host(), refusing.port());
  addPayslips({"a@example.com", "b@example.com", "c@example.com"});

  Run first = cli({"send", "--folder", folder.path(), "--account", QString::number(account),
                   "--interval", "0", "--subject", "11月工资条"});
  QCOMPARE(first.status, 1);
  QCOMPARE(lines(first.out),
           (QStringList{"通过公司向员工1(a@example.com)发送工资条邮件成功！",
                        "通过公司向员工2(b@example.com)发送工资条邮件失败！550 5.1.1 "
                        "<b@example.com>: Recipient address rejected",
                        "通过公司向员工3(c@example.com)发送工资条邮件成功！",
                        "发送完毕!成功2条,失败1条!"}));
  QCOMPARE(sendStatuses(), (QList<bool>{true, false, true}));
  QCOMPARE(refusing.received().at(0).value("subject").toString(), QStringLiteral("11月工资条"));

  SmtpTestServer accepting;
  QVERIFY(accepting.start());
  QVERIFY(Exec(QStringLiteral("update smtp_server set port=%1").arg(accepting.port())));
  Run second = cli({"send", "--folder", folder.path(), "--account", QString::number(account),
                    "--interval", "0"});
  QCOMPARE(second.status, 0);
  QCOMPARE(lines(second.out), (QStringList{"通过公司向员工2(b@example.com)发送工资条邮件成功！",
                                           "发送完毕!共发送1条"}));
  QCOMPARE(recipients(accepting), QStringList{"b@example.com"});
  QCOMPARE(archive().size(), 3);

  Run third = cli({"send", "--folder", folder.path(), "--account", QString::number(account)});
  QCOMPARE(third.status, 0);
  QCOMPARE(third.out, QStringLiteral("没有尚未发送的工资条，无需发送！\n"));
}

void TestSendCli::dryRunSendsNothing() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  SmtpTestServer server;
  QVERIFY(server.start());
  const int account = addAccount("公司", server.host(), server.port());
  addPayslips({"a@example.com", "b@example.com"});
  Run r = cli({"send", "--folder", folder.path(), "--account", QString::number(account),
               "--subject", "工资条", "--add-name", "--dry-run"});
  QCOMPARE(r.status, 0);
  QCOMPARE(lines(r.out),
           (QStringList{"a@example.com\t公司\t员工1,工资条", "b@example.com\t公司\t员工2,工资条"}));
  QVERIFY(server.received().isEmpty());
  QCOMPARE(sendStatuses(), (QList<bool>{false, false}));
}

void TestSendCli::optionsOfMassIni() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  SmtpTestServer server;
  QVERIFY(server.start());
  const int account = addAccount("公司", server.host(), server.port());
  addPayslips({"a@example.com", "b@example.com"});
  QFile ini(folder.file("Mass.ini"));
  QVERIFY(ini.open(QIODevice::WriteOnly));
  ini.write(QStringLiteral("[SMTP]\nServer=%1\nInTurn=0\nInterval=0\nAddName=1\n[EMAIL]\n"
                           "TITLE=十一月工资\n")
                .arg(account)
                .toUtf8());
  ini.close();
  Run r = cli({"send", "--folder", folder.path(), "--limit", "1"});
  QCOMPARE(r.status, 0);
  QCOMPARE(lines(r.out).last(), QStringLiteral("发送完毕!共发送1条"));
  QCOMPARE(server.received().size(), 1);
  QCOMPARE(server.received().at(0).value("subject").toString(), QStringLiteral("员工1,十一月工资"));
}

void TestSendCli::setUpErrors_data() {
  QTest::addColumn<bool>("withAccount");
  QTest::addColumn<QStringList>("flags");
  QTest::addColumn<QString>("error");
  QTest::newRow("no account at all")
      << false << QStringList{"--rotate"} << "您没有设置邮件服务器信息，请设置。";
  QTest::newRow("none chosen") << true << QStringList{} << "请选择邮件服务器！";
  QTest::newRow("unknown account")
      << true << QStringList{"--account", "99"} << "unknown account: 99";
  QTest::newRow("both modes") << true << QStringList{"--account", "1", "--rotate"}
                              << "exclude each other";
  QTest::newRow("bad interval") << true << QStringList{"--rotate", "--interval", "x"}
                                << "--interval";
}

void TestSendCli::setUpErrors() {
  QFETCH(bool, withAccount);
  QFETCH(QStringList, flags);
  QFETCH(QString, error);
  TestProgramFolder folder;
  QVERIFY(folder.open());
  if (withAccount) addAccount("公司", "127.0.0.1", 25);
  addPayslips({"a@example.com"});
  const Run r = cli(QStringList{"send", "--folder", folder.path()} + flags);
  QCOMPARE(r.status, 2);
  QVERIFY2(r.err.contains(error), qPrintable(r.err));
  QCOMPARE(sendStatuses(), QList<bool>{false});

  QTemporaryDir empty;
  QCOMPARE(cli({"send", "--folder", empty.path(), "--rotate"}).status, 2);
  QVERIFY(!QFile::exists(empty.filePath("payslip.mdb")));
}

// A crash in the middle of a batch loses nothing and sends at most the mail in flight twice.
void TestSendCli::killedInTheMiddleOfABatch() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  SmtpTestServer slow;
  SmtpTestServer::Options options;
  options.dataDelayMs = 400;
  QVERIFY(slow.start(options));
  const int account = addAccount("公司", slow.host(), slow.port());
  QStringList addresses;
  for (int i = 1; i <= 8; ++i) addresses << QStringLiteral("p%1@example.com").arg(i);
  addPayslips(addresses);

  QProcess run;
  run.start(QStringLiteral(KORVANE_CLI), {"send", "--folder", folder.path(), "--account",
                                          QString::number(account), "--interval", "0"});
  QByteArray out;
  QVERIFY(QTest::qWaitFor(
      [&] {
        run.waitForReadyRead(50);
        out += run.readAllStandardOutput();
        return out.count('\n') >= 3;
      },
      30000));
  // The fourth mail is now with the server, recorded but not yet confirmed.
  QTest::qWait(200);
  run.kill();
  QVERIFY(run.waitForFinished(5000));
  QCOMPARE(run.exitStatus(), QProcess::CrashExit);

  QCOMPARE(Scalar("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
  const int sentBefore = static_cast<int>(sendStatuses().count(true));
  QVERIFY(sentBefore >= 3 && sentBefore < 8);
  QCOMPARE(archive().size(), sentBefore);

  Run second = cli({"send", "--folder", folder.path(), "--account", QString::number(account),
                    "--interval", "0"});
  QCOMPARE(second.status, 0);
  QCOMPARE(sendStatuses(), QList<bool>(8, true));
  QCOMPARE(archive().size(), 8);
  const QStringList delivered = recipients(slow);
  for (const QString &address : addresses) QVERIFY(delivered.contains(address));
  QVERIFY2(delivered.size() <= 9, qPrintable(delivered.join(' ')));
}

QTEST_GUILESS_MAIN(TestSendCli)
#include "tst_sendcli.moc"
