#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include "SendFixture.h"
#include "app/Application.h"
#include "data/Data.h"
#include "sending/MailOperations.h"
#include "sending/MailTransport.h"
#include "sending/PayslipList.h"
#include "sending/SendEngine.h"
#include "sending/SendPacer.h"
#include "sending/SmtpSecurity.h"
#include "sending/UfrmSend.h"
#include "support/ScriptedInteraction.h"
#include "support/SmtpTestServer.h"
#include "support/TestDatabase.h"

using namespace SendFixture;

namespace {
const QStringList kBatch = {"a@example.com", "b@example.com", "c@example.com"};

// What a server does wrong, and what each row of the batch must come to.
struct Fault {
  SmtpTestServer::Options server;
  bool nobodyListens = false;     // connection refused
  bool login = false;             // the account authenticates
  bool trustCertificate = false;  // the client trusts the server's certificate
  QList<bool> sent;               // per row
  QStringList errors;             // per row: the err_msg, or its start when it ends in "…"
};

bool errorMatches(const QString &actual, const QString &expected) {
  if (expected.endsWith(QStringLiteral("…"))) return actual.startsWith(expected.chopped(1));
  return actual == expected;
}

// A loopback port on which nothing listens.
quint16 closedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

QStringList acceptedRecipients(const SmtpTestServer &server) {
  QStringList out;
  for (const QJsonObject &r : server.received())
    for (const QJsonValue &to : r.value("rcpt_tos").toArray()) out << to.toString();
  return out;
}

// The server of a fault started, and its account; 0 when the server did not start.
int setUp(const Fault &fault, SmtpTestServer &server) {
  quint16 port = 0;
  if (fault.nobodyListens) {
    port = closedPort();
  } else {
    if (!server.start(fault.server)) return 0;
    port = server.port();
  }
  SetSmtpCaBundleForTesting(fault.trustCertificate ? server.certificatePath() : QString());
  const int account = addAccount(QStringLiteral("公司"), QStringLiteral("127.0.0.1"), port,
                                 QStringLiteral("hr@example.com"), fault.login);
  if (fault.login) Exec(QStringLiteral("update smtp_server set pwd='wrong'"));
  addPayslips(kBatch);
  return account;
}

// The rows, the archive and what the server accepted, after a pass over kBatch.
void checkOutcome(const Fault &fault, const SmtpTestServer &server) {
  QCOMPARE(sendStatuses(), fault.sent);
  const QStringList errors = errorTexts();
  for (int i = 0; i < kBatch.size(); ++i) {
    qInfo("row %d: %s", i + 1, qPrintable(errors.at(i)));
    QVERIFY2(errorMatches(errors.at(i), fault.errors.at(i)), qPrintable(errors.at(i)));
  }
  // slip holds exactly the accepted mails, and the server accepted exactly those.
  QStringList archived;
  QStringList accepted;
  for (int i = 0; i < kBatch.size(); ++i) {
    if (!fault.sent.at(i)) continue;
    archived << QStringLiteral("员工%1:%2:1").arg(i + 1).arg(kBatch.at(i));
    accepted << kBatch.at(i);
  }
  QCOMPARE(archive(), archived);
  if (!fault.nobodyListens) QCOMPARE(acceptedRecipients(server), accepted);
}

QString mailLine(int row, const QString &error) {
  const QString head =
      QStringLiteral("通过公司向员工%1(%2)发送工资条邮件").arg(row + 1).arg(kBatch.at(row));
  return error.isEmpty() ? head + QStringLiteral("成功！")
                         : head + QStringLiteral("失败！") + error;
}

template <typename T>
T *child(QWidget *window, const char *name) {
  T *w = window->findChild<T *>(QLatin1String(name));
  if (!w) qWarning("no %s", name);
  return w;
}
}  // namespace

Q_DECLARE_METATYPE(Fault)

// Every way an SMTP server or the network fails a mail, through the real send engine and the
// real mail client: only what the server accepted reads as sent and goes into slip, every other
// row keeps the client's error text, and the pass goes on with the next row.
class TestSendFaults : public QObject {
  Q_OBJECT

  std::unique_ptr<TestProgramFolder> folder_;

 private slots:
  void initTestCase() {
    SetUpApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    // The product waits 30 s for each reply; a third of the time-out stands for its 10 s.
    SetSmtpTimeoutsForTesting(1000, 2000);
  }
  void cleanupTestCase() { SetSmtpTimeoutsForTesting(0, 0); }
  void init() {
    folder_ = std::make_unique<TestProgramFolder>();
    QVERIFY(folder_->open());
  }
  void cleanup() {
    SetSmtpCaBundleForTesting(QString());
    folder_.reset();
  }

  void throughTheEngine_data();
  void throughTheEngine();
  void throughTheWindow_data();
  void throughTheWindow();
};

void TestSendFaults::throughTheEngine_data() {
  QTest::addColumn<Fault>("fault");
  const QList<bool> none{false, false, false};
  auto all = [](const QString &error) { return QStringList{error, error, error}; };

  Fault refused;
  refused.nobodyListens = true;
  refused.sent = none;
  refused.errors = all(QStringLiteral("连接邮件服务器失败：…"));
  QTest::newRow("connection refused") << refused;

  Fault busy;
  busy.server.greeting = QStringLiteral("421 4.3.2 Service not available");
  busy.sent = none;
  busy.errors = all(QStringLiteral("421 4.3.2 Service not available"));
  QTest::newRow("greeting 421") << busy;

  Fault badLogin;
  badLogin.server.authRequired = true;
  badLogin.login = true;
  badLogin.sent = none;
  badLogin.errors = all(QStringLiteral("535 5.7.8 Authentication credentials invalid"));
  QTest::newRow("AUTH 535") << badLogin;

  Fault sender;
  sender.server.replyToMail = QStringLiteral("550 5.7.1 Sender address rejected");
  sender.sent = none;
  sender.errors = all(QStringLiteral("550 5.7.1 Sender address rejected"));
  QTest::newRow("MAIL FROM 550") << sender;

  Fault recipient;
  recipient.server.refuseRecipients = {QStringLiteral("b@example.com")};
  recipient.sent = {true, false, true};
  recipient.errors = {QString(), "550 5.1.1 <b@example.com>: Recipient address rejected",
                      QString()};
  QTest::newRow("RCPT 550 for one of three") << recipient;

  Fault full;
  full.server.replyToDataCommand = QStringLiteral("452 4.3.1 Insufficient system storage");
  full.sent = none;
  full.errors = all(QStringLiteral("452 4.3.1 Insufficient system storage"));
  QTest::newRow("DATA 452") << full;

  Fault rejected;
  rejected.server.replyToData = QStringLiteral("554 5.7.1 Message rejected");
  rejected.sent = none;
  rejected.errors = all(QStringLiteral("554 5.7.1 Message rejected"));
  QTest::newRow("end of DATA 554") << rejected;

  Fault later;
  later.server.replyToData = QStringLiteral("452 4.2.2 Mailbox full");
  later.sent = none;
  later.errors = all(QStringLiteral("452 4.2.2 Mailbox full"));
  QTest::newRow("end of DATA 452") << later;

  Fault dropped;
  dropped.server.dropAfterData = true;
  dropped.sent = none;
  dropped.errors = all(QStringLiteral("发送邮件内容失败：…"));
  QTest::newRow("dropped after the final dot") << dropped;

  Fault mute;
  mute.server.silentAfterGreeting = true;
  mute.sent = none;
  mute.errors = all(QStringLiteral("邮件服务器响应超时，与邮件服务器握手失败：…"));
  QTest::newRow("silent after the greeting") << mute;

  Fault muteAtEnd;
  muteAtEnd.server.silentAfterData = true;
  muteAtEnd.sent = none;
  muteAtEnd.errors = all(QStringLiteral("邮件服务器响应超时，发送邮件内容失败：…"));
  QTest::newRow("silent after the final dot") << muteAtEnd;

  Fault handshake;
  handshake.server.tlsHandshakeFails = true;
  handshake.sent = none;
  handshake.errors = all(QStringLiteral("建立加密连接(TLS)失败：…"));
  QTest::newRow("TLS handshake fails") << handshake;

  Fault otherHost;
  otherHost.server.tls = SmtpTestServer::Tls::StartTls;
  otherHost.server.certificateNames = QStringLiteral("DNS:mail.example.net");
  otherHost.trustCertificate = true;
  otherHost.sent = none;
  otherHost.errors = all(QStringLiteral("建立加密连接(TLS)失败：…"));
  QTest::newRow("certificate for another host") << otherHost;

  Fault slow;
  slow.server.replyDelayMs = 330;
  slow.sent = {true, true, true};
  slow.errors = QStringList(3);
  QTest::newRow("every reply after a third of the time-out") << slow;
}

// As korvane-cli send drives it: the session on this thread, the waits on a recording clock.
void TestSendFaults::throughTheEngine() {
  QFETCH(Fault, fault);
  SmtpTestServer server;
  const int account = setUp(fault, server);
  QVERIFY(account > 0);

  RecordingClock clock;
  DirectMailTransport transport;
  ClockPacer pacer(clock);
  SendEngine engine(DataModule1->ADOConnectionAccess, clock, transport, pacer);
  EngineEvents seen;
  seen.listen(engine);
  PayslipList list;
  QString error;
  QVERIFY2(list.open(DataModule1->ADOQueryAccessComm, error), qPrintable(error));
  list.selectUnsent();
  SendOptions options;
  options.serverId = account;
  options.sendInterval = 7;
  options.emailTitle = QStringLiteral("11月工资条");
  QCOMPARE(engine.start(list, options), SendEngine::Start::Started);
  QVERIFY(!engine.isRunning());

  checkOutcome(fault, server);
  if (QTest::currentTestFailed()) return;
  const QStringList errors = errorTexts();
  QStringList lines;
  for (int i = 0; i < kBatch.size(); ++i)
    lines << mailLine(i, fault.sent.at(i) ? "" : errors.at(i));
  QCOMPARE(seen.logLines, lines);
  // Every row was tried and waited after, failed or not.
  QCOMPARE(clock.waitsMs, (QList<int>{7000, 7000, 7000}));
  QCOMPARE(seen.sent, static_cast<int>(fault.sent.count(true)));
  QCOMPARE(seen.failed, static_cast<int>(fault.sent.count(false)));
  QVERIFY(!seen.stopped);
  QVERIFY(!seen.recordFailed);
  QVERIFY(seen.messages.isEmpty());
  QCOMPARE(seen.statusTexts.last(), QStringLiteral("发送过程完毕"));
}

void TestSendFaults::throughTheWindow_data() {
  QTest::addColumn<Fault>("fault");
  QTest::addColumn<QStringList>("endMessages");
  Fault mute;
  mute.server.silentAfterGreeting = true;
  mute.sent = {false, false, false};
  mute.errors = QStringList(3, QStringLiteral("邮件服务器响应超时，与邮件服务器握手失败：…"));
  QTest::newRow("silent after the greeting")
      << mute
      << QStringList{"发送完毕!成功0条,失败3条!", "本次发送有未成功邮件，重新尝试发送这些邮件吗？"};
  Fault muteAtEnd;
  muteAtEnd.server.silentAfterData = true;
  muteAtEnd.sent = {false, false, false};
  muteAtEnd.errors = QStringList(3, QStringLiteral("邮件服务器响应超时，发送邮件内容失败：…"));
  QTest::newRow("silent after the final dot")
      << muteAtEnd
      << QStringList{"发送完毕!成功0条,失败3条!", "本次发送有未成功邮件，重新尝试发送这些邮件吗？"};
  Fault recipient;
  recipient.server.refuseRecipients = {QStringLiteral("b@example.com")};
  recipient.server.replyDelayMs = 100;
  recipient.sent = {true, false, true};
  recipient.errors = {QString(), "550 5.1.1 <b@example.com>: Recipient address rejected",
                      QString()};
  QTest::newRow("RCPT 550 for one of three, slowly")
      << recipient
      << QStringList{"发送完毕!成功2条,失败1条!", "本次发送有未成功邮件，重新尝试发送这些邮件吗？"};
}

// The send window: sessions on their own thread, the window answering input throughout.
void TestSendFaults::throughTheWindow() {
  QFETCH(Fault, fault);
  QFETCH(QStringList, endMessages);
  SmtpTestServer server;
  const int account = setUp(fault, server);
  QVERIFY(account > 0);
  ScriptedInteraction ui;
  ui.confirmAnswers = {false};

  QPointer<TFormSend> form = new TFormSend;
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.data()));
  auto *chooser = child<QComboBox>(form.data(), "wwDBComboBoxSMTPServer");
  chooser->setCurrentIndex(chooser->findData(QString::number(account)));
  child<QSpinBox>(form.data(), "EditInteval")->setValue(0);
  QTest::mouseClick(child<QPushButton>(form.data(), "ButtonSend"), Qt::LeftButton);
  QVERIFY(form->isSending());

  // Until the pass ends, every event posted is handled at once.
  QElapsedTimer pass;
  pass.start();
  qint64 worst = 0;
  int probes = 0;
  while (form->isSending() && pass.elapsed() < 30000) {
    bool handled = false;
    QElapsedTimer probe;
    probe.start();
    QTimer::singleShot(0, form.data(), [&] { handled = true; });
    QVERIFY(QTest::qWaitFor([&] { return handled; }, 5000));
    worst = qMax(worst, probe.elapsed());
    ++probes;
    QTest::qWait(20);
  }
  QVERIFY(!form->isSending());
  QVERIFY2(worst < 200, qPrintable(QString::number(worst)));
  QVERIFY(probes > 5);
  QCOMPARE(ui.messages(), endMessages);
  checkOutcome(fault, server);
  const QStringList log =
      child<QPlainTextEdit>(form.data(), "Memo1")->toPlainText().split('\n', Qt::SkipEmptyParts);
  QCOMPARE(log.size(), kBatch.size());
  delete form.data();
}

QTEST_MAIN(TestSendFaults)
#include "tst_sendfaults.moc"
