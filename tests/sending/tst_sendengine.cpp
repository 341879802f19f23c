#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include "SendFixture.h"
#include "data/Data.h"
#include "sending/MailTransport.h"
#include "sending/PayslipList.h"
#include "sending/SendEngine.h"
#include "sending/SendPacer.h"
#include "support/SmtpTestServer.h"
#include "support/TestDatabase.h"

using namespace SendFixture;

namespace {
const QStringList kFive = {"a@example.com", "b@example.com", "c@example.com", "d@example.com",
                           "e@example.com"};

// One pass on the data module's connection, with the real SMTP client on this thread and the
// recording clock.
struct Pass {
  RecordingClock clock;
  DirectMailTransport transport;
  ClockPacer pacer{clock};
  SendEngine engine{DataModule1->ADOConnectionAccess, clock, transport, pacer};
  PayslipList list;
  EngineEvents seen;

  Pass() {
    seen.listen(engine);
    clock.events = &seen.events;
  }
  bool open() {
    QString error;
    if (!list.open(DataModule1->ADOQueryAccessComm, error)) qWarning("%s", qPrintable(error));
    list.selectUnsent();
    return list.isOpen();
  }
  SendEngine::Start run(const SendOptions &options) { return engine.start(list, options); }
};

SendOptions fixedAccount(int serverId, int interval = 7) {
  SendOptions o;
  o.serverId = serverId;
  o.sendInterval = interval;
  o.emailTitle = QStringLiteral("11月工资条");
  return o;
}

QString sentLine(const QString &account, int n, const QString &address) {
  return QStringLiteral("通过%1向员工%2(%3)发送工资条邮件成功！").arg(account).arg(n).arg(address);
}
}  // namespace

class TestSendEngine : public QObject {
  Q_OBJECT

 private slots:
  void batchWithARefusedRecipientThenRetry();
  void rotationDrawsAnAccountPerMail();
  void accountWithoutHostIsSkipped();
  void accountNotFound();
  void selectionDecidesWhatIsSent();
  void pacing_data();
  void pacing();
  void stopAfterTheCurrentMailAndItsWaits();
  void mailLimit();
  void emptyOrClosedList();
  void sentRowAndArchiveAreOneCommit_data();
  void sentRowAndArchiveAreOneCommit();
};

void TestSendEngine::batchWithARefusedRecipientThenRetry() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  SmtpTestServer server;
  SmtpTestServer::Options refusing;
  refusing.refuseRecipients = {QStringLiteral("c@example.com")};
  QVERIFY(server.start(refusing));
  const int account = addAccount(QStringLiteral("公司邮箱"), server.host(), server.port(),
                                 QStringLiteral("payroll@example.com"));
  addPayslips(kFive);

  Pass pass;
  QVERIFY(pass.open());
  QCOMPARE(pass.run(fixedAccount(account)), SendEngine::Start::Started);

  const QString refused = QStringLiteral("550 5.1.1 <c@example.com>: Recipient address rejected");
  QCOMPARE(sendStatuses(), (QList<bool>{true, true, false, true, true}));
  QCOMPARE(errorTexts(), (QStringList{"", "", refused, "", ""}));
  QCOMPARE(archive(), (QStringList{"员工1:a@example.com:1", "员工2:b@example.com:1",
                                   "员工4:d@example.com:1", "员工5:e@example.com:1"}));
  QCOMPARE(
      pass.seen.logLines,
      (QStringList{
          sentLine("公司邮箱", 1, "a@example.com"), sentLine("公司邮箱", 2, "b@example.com"),
          QStringLiteral("通过公司邮箱向员工3(c@example.com)发送工资条邮件失败！") + refused,
          sentLine("公司邮箱", 4, "d@example.com"), sentLine("公司邮箱", 5, "e@example.com")}));
  QCOMPARE(pass.seen.sent, 4);
  QCOMPARE(pass.seen.failed, 1);
  QCOMPARE(SendTexts::EndOfPass(pass.seen.sent, pass.seen.failed),
           QStringLiteral("发送完毕!成功4条,失败1条!"));
  QVERIFY(pass.seen.messages.isEmpty());
  // Each mail: the row, its log line, its archive copy, the wait; the status before it.
  QCOMPARE(pass.seen.events.mid(0, 8),
           (QStringList{"progress 1", "status 正在发邮件到a@example.com", "row 0",
                        "log " + sentLine("公司邮箱", 1, "a@example.com"), "archived 0",
                        "wait 7000", "progress 2", "status 正在发邮件到b@example.com"}));
  QCOMPARE(pass.seen.statusTexts.last(), QStringLiteral("发送过程完毕"));

  const QList<QJsonObject> received = server.received();
  QCOMPARE(received.size(), 4);
  QCOMPARE(received.at(0).value("mail_from").toString(), QStringLiteral("payroll@example.com"));
  QCOMPARE(received.at(0).value("subject").toString(), QStringLiteral("11月工资条"));
  QCOMPARE(received.at(0).value("content_type").toString(), QStringLiteral("text/html"));
  QCOMPARE(received.at(0).value("body").toString().trimmed(), QStringLiteral("<p>工资条 1</p>"));

  // The retry pass: the list reopened, every unsent row selected, the server now accepting.
  SmtpTestServer accepting;
  QVERIFY(accepting.start());
  QVERIFY(Exec(QStringLiteral("update smtp_server set port=%1").arg(accepting.port())));
  Pass retry;
  QVERIFY(retry.open());
  QCOMPARE(retry.list.selectedCount(), 1);
  retry.run(fixedAccount(account));
  QCOMPARE(retry.seen.logLines, QStringList{sentLine("公司邮箱", 3, "c@example.com")});
  QCOMPARE(SendTexts::EndOfPass(retry.seen.sent, retry.seen.failed),
           QStringLiteral("发送完毕!共发送1条"));
  QCOMPARE(sendStatuses(), (QList<bool>{true, true, true, true, true}));
  // A row that failed once keeps its error text after it went out.
  QCOMPARE(errorTexts().at(2), refused);
  QCOMPARE(archive().size(), 5);
  QCOMPARE(accepting.received().size(), 1);
}

void TestSendEngine::rotationDrawsAnAccountPerMail() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  SmtpTestServer server;
  QVERIFY(server.start());
  addAccount(QStringLiteral("甲"), server.host(), server.port(), QStringLiteral("a@corp.cn"));
  addAccount(QStringLiteral("乙"), server.host(), server.port(), QStringLiteral("b@corp.cn"));
  addAccount(QStringLiteral("丙"), server.host(), server.port(), QStringLiteral("c@corp.cn"));
  addPayslips(kFive);

  Pass pass;
  QVERIFY(pass.open());
  pass.clock.draws = {2, 0, 0, 1, 2};
  SendOptions options = fixedAccount(0);
  options.inTurn = true;
  pass.run(options);
  QCOMPARE(pass.clock.bounds, (QList<int>{3, 3, 3, 3, 3}));
  QStringList accounts;
  for (const QString &line : pass.seen.logLines) accounts << line.mid(2, 1);
  QCOMPARE(accounts, (QStringList{"丙", "甲", "甲", "乙", "丙"}));
  QStringList senders;
  for (const QJsonObject &r : server.received()) senders << r.value("mail_from").toString();
  QCOMPARE(senders, (QStringList{"c@corp.cn", "a@corp.cn", "a@corp.cn", "b@corp.cn", "c@corp.cn"}));
}

void TestSendEngine::accountWithoutHostIsSkipped() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  const int account = addAccount(QStringLiteral("空"), QString(), 25);
  addPayslips({"a@example.com", "b@example.com"});
  Pass pass;
  QVERIFY(pass.open());
  pass.run(fixedAccount(account));
  QCOMPARE(pass.seen.logLines, (QStringList{"获取邮件服务器信息失败：,无法发送邮件给！员工1",
                                            "获取邮件服务器信息失败：,无法发送邮件给！员工2"}));
  QVERIFY(pass.clock.waitsMs.isEmpty());
  QCOMPARE(pass.seen.only({"row"}), QStringList());
  QCOMPARE(sendStatuses(), (QList<bool>{false, false}));
  QCOMPARE(errorTexts(), (QStringList{"", ""}));
  QCOMPARE(SendTexts::EndOfPass(pass.seen.sent, pass.seen.failed),
           QStringLiteral("发送完毕!共发送0条"));
}

void TestSendEngine::accountNotFound() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  addPayslips({"a@example.com"});
  Pass pass;
  QVERIFY(pass.open());
  pass.run(fixedAccount(42));
  QCOMPARE(pass.seen.logLines,
           QStringList{"通过向员工1(a@example.com)发送工资条邮件失败！ 没有找到邮件服务器信息"});
  QCOMPARE(errorTexts(), QStringList{"没有找到邮件服务器信息"});
  QCOMPARE(pass.clock.waitsMs, QList<int>{7000});
  QCOMPARE(pass.seen.failed, 1);
}

void TestSendEngine::selectionDecidesWhatIsSent() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  SmtpTestServer server;
  QVERIFY(server.start());
  const int account = addAccount(QStringLiteral("a"), server.host(), server.port());
  addPayslips({"a@example.com", "b@example.com"}, true);
  addPayslips({"c@example.com"});
  Pass pass;
  QVERIFY(pass.open());
  // A selected row that went out before is sent again; an unselected unsent one is skipped.
  pass.list.setSelected(0, true);
  pass.list.setSelected(2, false);
  pass.run(fixedAccount(account, 0));
  QCOMPARE(pass.seen.only({"progress"}), (QStringList{"1", "2", "3"}));
  QCOMPARE(server.received().size(), 1);
  QCOMPARE(server.received().at(0).value("to").toString(), QStringLiteral("a@example.com"));
  QCOMPARE(sendStatuses(), (QList<bool>{true, true, false}));
}

void TestSendEngine::pacing_data() {
  QTest::addColumn<int>("mails");
  QTest::addColumn<QList<int>>("refused");  // 1-based mails the server refuses
  QTest::addColumn<int>("interval");
  QTest::addColumn<bool>("random");
  QTest::addColumn<int>("after");
  QTest::addColumn<int>("pause");
  QTest::addColumn<QList<int>>("draws");
  QTest::addColumn<QList<int>>("waits");  // seconds

  QList<int> thirtyOne(31, 7);
  QTest::newRow("interval 7, pause 10 after 30")
      << 33 << QList<int>{} << 7 << false << 30 << 10 << QList<int>{}
      << thirtyOne + QList<int>{10, 7, 10, 7, 10};
  // Failed mails (sent count 1,1,2,3,4) do not raise the count; once above 2 every mail pauses.
  QTest::newRow("failures do not count") << 5 << QList<int>{2} << 7 << false << 2 << 10
                                         << QList<int>{} << QList<int>{7, 7, 7, 7, 10, 7, 10};
  QTest::newRow("random draws, 0 gives the interval")
      << 4 << QList<int>{} << 7 << true << 30 << 10 << QList<int>{5, 0, 29, 1}
      << QList<int>{5, 7, 29, 1};
  QTest::newRow("random with the long pause") << 3 << QList<int>{} << 4 << true << 1 << 9
                                              << QList<int>{3, 0, 12} << QList<int>{3, 4, 9, 12, 9};
  QTest::newRow("no pacing") << 2 << QList<int>{} << 0 << false << 30 << 10 << QList<int>{}
                             << QList<int>{0, 0};
}

void TestSendEngine::pacing() {
  QFETCH(int, mails);
  QFETCH(QList<int>, refused);
  QFETCH(int, interval);
  QFETCH(bool, random);
  QFETCH(int, after);
  QFETCH(int, pause);
  QFETCH(QList<int>, draws);
  QFETCH(QList<int>, waits);
  TestProgramFolder folder;
  QVERIFY(folder.open());
  QStringList addresses;
  SmtpTestServer::Options options;
  for (int i = 1; i <= mails; ++i) {
    addresses << QStringLiteral("m%1@example.com").arg(i);
    if (refused.contains(i)) options.refuseRecipients << addresses.last();
  }
  SmtpTestServer server;
  QVERIFY(server.start(options));
  const int account = addAccount(QStringLiteral("a"), server.host(), server.port());
  addPayslips(addresses);
  Pass pass;
  QVERIFY(pass.open());
  pass.clock.draws = draws;
  SendOptions o = fixedAccount(account, interval);
  o.waitSecondRandom = random;
  o.afterSendCnt = after;
  o.waitSecond = pause;
  pass.run(o);
  QList<int> seconds;
  for (int ms : pass.clock.waitsMs) seconds << ms / 1000;
  QCOMPARE(seconds, waits);
  if (random) QCOMPARE(pass.clock.bounds, QList<int>(mails, 30));
  QCOMPARE(pass.seen.failed, static_cast<int>(refused.size()));
}

void TestSendEngine::stopAfterTheCurrentMailAndItsWaits() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  SmtpTestServer server;
  QVERIFY(server.start());
  const int account = addAccount(QStringLiteral("a"), server.host(), server.port());
  addPayslips(kFive);
  Pass pass;
  QVERIFY(pass.open());
  QObject::connect(&pass.engine, &SendEngine::logLine, [&](const QString &) {
    if (pass.seen.logLines.size() == 2) pass.engine.requestStop();
  });
  SendOptions o = fixedAccount(account);
  o.afterSendCnt = 1;
  pass.run(o);
  QCOMPARE(pass.seen.only({"log", "wait", "message", "finished"}).mid(2),
           (QStringList{"log " + sentLine("a", 2, "b@example.com"), "wait 7000", "wait 10000",
                        "message 发送过程被中断", "finished 2/0 stopped"}));
  QCOMPARE(sendStatuses(), (QList<bool>{true, true, false, false, false}));
  QVERIFY(!pass.engine.isRunning());
}

void TestSendEngine::mailLimit() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  SmtpTestServer server;
  QVERIFY(server.start());
  const int account = addAccount(QStringLiteral("a"), server.host(), server.port());
  addPayslips(kFive);
  Pass pass;
  QVERIFY(pass.open());
  pass.engine.setMailLimit(2);
  pass.run(fixedAccount(account, 0));
  QCOMPARE(server.received().size(), 2);
  QVERIFY(pass.seen.messages.isEmpty());
  QCOMPARE(sendStatuses(), (QList<bool>{true, true, false, false, false}));
}

void TestSendEngine::emptyOrClosedList() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  Pass pass;
  QCOMPARE(pass.run(fixedAccount(1)), SendEngine::Start::NotOpen);
  QVERIFY(pass.open());
  QCOMPARE(pass.run(fixedAccount(1)), SendEngine::Start::NoRows);
  QVERIFY(pass.seen.events.isEmpty());
}

void TestSendEngine::sentRowAndArchiveAreOneCommit_data() {
  QTest::addColumn<QString>("trigger");
  QTest::addColumn<QList<bool>>("statuses");
  QTest::addColumn<int>("archived");
  QTest::addColumn<bool>("recordFailed");
  QTest::newRow("both written") << QString() << QList<bool>{true, true} << 2 << false;
  // The archive copy is not checked: the row still counts as sent.
  QTest::newRow("archive refused")
      << "create trigger t before insert on slip begin select raise(abort,'full'); end"
      << QList<bool>{true, true} << 0 << false;
  // The mail went out but the row could not be marked: the pass ends, nothing half-written.
  QTest::newRow("status refused") << "create trigger t before update of send_status on payslip "
                                     "begin select raise(abort,'locked'); end"
                                  << QList<bool>{false, false} << 0 << true;
}

void TestSendEngine::sentRowAndArchiveAreOneCommit() {
  QFETCH(QString, trigger);
  QFETCH(QList<bool>, statuses);
  QFETCH(int, archived);
  QFETCH(bool, recordFailed);
  TestProgramFolder folder;
  QVERIFY(folder.open());
  SmtpTestServer server;
  QVERIFY(server.start());
  const int account = addAccount(QStringLiteral("a"), server.host(), server.port());
  addPayslips({"a@example.com", "b@example.com"});
  if (!trigger.isEmpty()) QVERIFY(Exec(trigger));
  Pass pass;
  QVERIFY(pass.open());
  pass.run(fixedAccount(account, 0));
  QCOMPARE(sendStatuses(), statuses);
  QCOMPARE(archive().size(), archived);
  QCOMPARE(pass.seen.recordFailed, recordFailed);
  QCOMPARE(server.received().size(), recordFailed ? 1 : 2);
  // The full sync is for those commits only; the connection keeps its own level.
  QCOMPARE(Scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 1);
}

QTEST_GUILESS_MAIN(TestSendEngine)
#include "tst_sendengine.moc"
