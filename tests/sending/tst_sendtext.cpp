#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include "SendFixture.h"
#include "data/Clock.h"
#include "data/Data.h"
#include "mailservers/AccountInsert.h"
#include "sending/MailOperations.h"
#include "sending/MailTransport.h"
#include "sending/MassIni.h"
#include "sending/PayslipList.h"
#include "sending/SendEngine.h"
#include "sending/SendPacer.h"
#include "support/SmtpTestServer.h"
#include "support/TestDatabase.h"

using namespace SendFixture;

namespace {
// Texts that break code which builds statements, files or headers by pasting text in.
void hostileTexts() {
  QTest::addColumn<QString>("text");
  QTest::newRow("quotes") << QStringLiteral("O'Brien \"的\" '');drop table smtp_server;--");
  QTest::newRow("backslashes") << QStringLiteral("C:\\new\\t\\'\\\\ end\\");
  QTest::newRow("NUL") << QStringLiteral("前") + QChar(0) + QStringLiteral("后");
  QTest::newRow("10 kB") << QStringLiteral("工资条").repeated(3400);
  QTest::newRow("CJK") << QStringLiteral("张伟（人力资源部）二〇二六年十一月工资条");
  QTest::newRow("astral") << QStringLiteral("𠀋𩸽 😀 𝄞 end");
  QTest::newRow("placeholders") << QStringLiteral("%1 %2 %s %n 100% $HOME `id`");
  QTest::newRow("ini syntax") << QStringLiteral("a=b ; c # d [SMTP] Server=99");
  QTest::newRow("blanks at the ends") << QStringLiteral("  \t两端有空格 \t ");
  QTest::newRow("line breaks") << QStringLiteral("第一行\r\n[SMTP]\r\nServer=99\n第三行\r");
}

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
  if (!p.waitForFinished(30000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.status = p.exitCode();
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

// Compares long texts without printing 10 kB on failure.
bool same(const QString &actual, const QString &expected) {
  if (actual == expected) return true;
  qWarning(
      "got %lld chars, expected %lld; first difference at %lld", qlonglong(actual.size()),
      qlonglong(expected.size()),
      qlonglong(
          std::mismatch(actual.cbegin(), actual.cend(), expected.cbegin(), expected.cend()).first -
          actual.cbegin()));
  return false;
}
}  // namespace

// Hostile text in every place where it reaches SQL, a file or a mail header: stored and read
// back as it was, or refused as a whole, never breaking the statement it goes into.
class TestSendText : public QObject {
  Q_OBJECT

  std::unique_ptr<TestProgramFolder> folder_;

 private slots:
  void init() {
    folder_ = std::make_unique<TestProgramFolder>();
    QVERIFY(folder_->open());
  }
  void cleanup() { folder_.reset(); }

  void accountFields_data() { hostileTexts(); }
  void accountFields();
  void accountCommand_data() { hostileTexts(); }
  void accountCommand();
  void massIni_data() { hostileTexts(); }
  void massIni();
  void subject_data() { hostileTexts(); }
  void subject();
  void serverReplyAsErrorText();
  void sendMailPasswordWithBlanks();
};

// The account editor's insert, read back as the send engine reads an account.
void TestSendText::accountFields() {
  QFETCH(QString, text);
  AccountFields fields;
  fields.serverName = text;
  fields.host = QStringLiteral("127.0.0.1");
  fields.loginName = text;
  fields.password = text;
  fields.portText = QStringLiteral("25");
  fields.email = QStringLiteral("hr@example.com");
  fields.typeIndex = 0;
  QString error;
  const bool saved = SaveNewAccount(fields, DataModule1->ADOQueryAccessComm, error);
  QVERIFY(Scalar("select count(*) from sqlite_master where name='smtp_server'").toInt() == 1);
  if (text.size() > 50) {
    // Wider than server_name: refused as a whole, and the password not shown.
    QVERIFY(!saved);
    QVERIFY(!error.contains(text));
    QCOMPARE(Scalar("select count(*) from smtp_server").toInt(), 0);
    return;
  }
  QVERIFY2(saved, qPrintable(error));
  QCOMPARE(Scalar("select count(*) from smtp_server").toInt(), 1);
  SmtpAccount account;
  QVERIFY(GetSMTPServerInfo(DataModule1->ADOQueryAccessComm, Clock::instance(),
                            Scalar("select max(server_id) from smtp_server").toInt(), false,
                            account, error));
  QVERIFY(same(account.serverName, text));
  QVERIFY(same(account.username, text));
  QVERIFY(same(account.pwd, text));
  QCOMPARE(account.host, QStringLiteral("127.0.0.1"));
  QCOMPARE(account.emailAddress, QStringLiteral("hr@example.com"));
}

// korvane-cli account add and list: names and logins in the arguments, the password on stdin.
void TestSendText::accountCommand() {
  QFETCH(QString, text);
  if (text.contains(QChar(0))) QSKIP("an argument cannot hold NUL");
  const bool oneLine = !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
  const QString name = text.left(50);
  const QString login = text.left(255);
  const Run added =
      cli({"account", "add", "--folder", folder_->path(), "--name", name, "--host", "127.0.0.1",
           "--port", "25", "--from", "hr@example.com", "--user", login, "--password-stdin"},
          (oneLine ? text.left(255) : QStringLiteral("pw")).toUtf8() + "\n");
  if (name.size() < 50 || !name.at(49).isHighSurrogate()) {
    QCOMPARE(added.status, 0);
  } else {
    return;  // half an astral character is no text to store
  }
  const Run listed = cli({"account", "list", "--folder", folder_->path()});
  QCOMPARE(listed.status, 0);
  const QJsonArray accounts = QJsonDocument::fromJson(listed.out.toUtf8()).array();
  QCOMPARE(accounts.size(), 1);
  const QJsonObject account = accounts.at(0).toObject();
  QVERIFY(same(account.value("server_name").toString(), name));
  QVERIFY(same(account.value("username").toString(), login));
  QVERIFY(!listed.out.contains(QStringLiteral("pwd")));
  if (oneLine) QVERIFY(same(Scalar("select pwd from smtp_server").toString(), text.left(255)));
}

// Mass.ini: the subject and a count box stored and read back; no other key is touched by them.
void TestSendText::massIni() {
  QFETCH(QString, text);
  MassIniValues values;
  values.server = QStringLiteral("7");
  values.title = text;
  values.interval = QStringLiteral("5");
  values.sendCnt = text;  // stored as typed, judged when a pass starts
  QString error;
  QVERIFY2(WriteMassIni(folder_->path(), values, error), qPrintable(error));
  MassIniValues back;
  QVERIFY(ReadMassIni(folder_->path(), back));
  // A line of the file holds no line break: each becomes a blank.
  QString oneLine = text;
  oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  QVERIFY(same(back.title, oneLine));
  QVERIFY(same(back.sendCnt, oneLine));
  QCOMPARE(back.waitSecond, QStringLiteral("10"));
  QCOMPARE(back.server, QStringLiteral("7"));
  QCOMPARE(back.interval, QStringLiteral("5"));
  QCOMPARE(back.inTurn, QStringLiteral("0"));
  // Written twice, the file stays the same: nothing the text held became a line of its own.
  QFile file(MassIniPath(folder_->path()));
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray first = file.readAll();
  file.close();
  QVERIFY(WriteMassIni(folder_->path(), back, error));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), first);
}

// The subject as the SMTP server's mail reader decodes it.
void TestSendText::subject() {
  QFETCH(QString, text);
  SmtpTestServer server;
  QVERIFY(server.start());
  const int account = addAccount(QStringLiteral("公司"), server.host(), server.port());
  addPayslips({QStringLiteral("a@example.com")});
  RecordingClock clock;
  DirectMailTransport transport;
  ClockPacer pacer(clock);
  SendEngine engine(DataModule1->ADOConnectionAccess, clock, transport, pacer);
  EngineEvents seen;
  seen.listen(engine);
  PayslipList list;
  QString error;
  QVERIFY(list.open(DataModule1->ADOQueryAccessComm, error));
  list.selectUnsent();
  SendOptions options;
  options.serverId = account;
  options.emailTitle = text;
  engine.start(list, options);
  QCOMPARE(seen.sent, 1);
  const QList<QJsonObject> received = server.received();
  QCOMPARE(received.size(), 1);
  QVERIFY(same(received.at(0).value("subject").toString(), text));
  QCOMPARE(received.at(0).value("defects").toArray().size(), 0);
  QCOMPARE(received.at(0).value("to").toString(), QStringLiteral("a@example.com"));
}

// A refusal full of quotes and backslashes is stored as the row's error text as it came.
void TestSendText::serverReplyAsErrorText() {
  const QString reply =
      QStringLiteral("550 5.7.1 O'Brien \"no\" \\ '); update payslip set send_status=true; --");
  SmtpTestServer server;
  SmtpTestServer::Options options;
  options.replyToMail = reply;
  QVERIFY(server.start(options));
  const int account = addAccount(QStringLiteral("公司"), server.host(), server.port());
  addPayslips({QStringLiteral("a@example.com"), QStringLiteral("b@example.com")});
  RecordingClock clock;
  DirectMailTransport transport;
  ClockPacer pacer(clock);
  SendEngine engine(DataModule1->ADOConnectionAccess, clock, transport, pacer);
  PayslipList list;
  QString error;
  QVERIFY(list.open(DataModule1->ADOQueryAccessComm, error));
  list.selectUnsent();
  SendOptions sendOptions;
  sendOptions.serverId = account;
  engine.start(list, sendOptions);
  QCOMPARE(errorTexts(), (QStringList{reply, reply}));
  QCOMPARE(sendStatuses(), (QList<bool>{false, false}));
}

// korvane-cli send-mail logs in with the password exactly as its line on stdin holds it.
void TestSendText::sendMailPasswordWithBlanks() {
  SmtpTestServer server;
  SmtpTestServer::Options options;
  options.authRequired = true;
  options.password = QStringLiteral(" 密 码 ");
  QVERIFY(server.start(options));
  const QString html = folder_->file("slip.html");
  QFile file(html);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("<p>x</p>");
  file.close();
  const Run run = cli({"send-mail", server.host(), QString::number(server.port()), "hr@example.com",
                       "a@example.com", "工资条", html, "--login", "hr@example.com"},
                      QStringLiteral(" 密 码 \r\n").toUtf8());
  QVERIFY2(run.status == 0, qPrintable(run.err));
  QCOMPARE(server.received().size(), 1);
}

QTEST_GUILESS_MAIN(TestSendText)
#include "tst_sendtext.moc"
