#include <QAction>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTcpServer>
#include <QTest>

#include "mailservers/UfrmTestSMTPServer.h"
#include "sending/SmtpSecurity.h"
#include "support/ScriptedInteraction.h"
#include "support/ScriptedTcpServer.h"
#include "support/SmtpTestServer.h"

using Step = ScriptedTcpServer::Step;
Q_DECLARE_METATYPE(QList<Step>)

namespace {
const QByteArray kGreeting = "220 mail.example.com ESMTP\r\n";
const QByteArray kHelloReply = "250 mail.example.com\r\n";
const QByteArray kUserPrompt = "334 VXNlcm5hbWU6\r\n";
const QByteArray kPasswordPrompt = "334 UGFzc3dvcmQ6\r\n";
const QByteArray kAccepted = "235 2.7.0 Authentication successful\r\n";
const QString kUser = QStringLiteral("aHJAZXhhbXBsZS5jb20=");  // hr@example.com
const QString kPassword = QStringLiteral("c2VjcmV0");          // secret

QString logText(TFormTestSMTPServer *window) {
  return window->findChild<QPlainTextEdit *>(QStringLiteral("MemoLog"))->toPlainText();
}

QAction *action(TFormTestSMTPServer *window, const char *name) {
  return window->findChild<QAction *>(QLatin1String(name));
}

TFormTestSMTPServer *makeWindow(quint16 port, bool needLogin = true,
                                const QString &login = QStringLiteral("hr@example.com"),
                                const QString &password = QStringLiteral("secret")) {
  auto *window = new TFormTestSMTPServer;
  window->Host = QStringLiteral("127.0.0.1");
  window->Port = port;
  window->NeedLogin = needLogin;
  window->LoginName = login;
  window->Password = password;
  return window;
}

quint16 unusedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();  // closed again when probe goes
}
}  // namespace

// The account test window against servers on loopback.
class TestTestSmtpServer : public QObject {
  Q_OBJECT

 private slots:
  void conversation_data();
  void conversation();
  void refusedConnectionShowsTheErrorBox();
  void retestClearsTheLogAndReconnects();
  void stopClosesTheConnectionAndTheWindow();
  void portUsesItsLow16Bits();
  void againstAiosmtpd_data();
  void againstAiosmtpd();
};

void TestTestSmtpServer::conversation_data() {
  QTest::addColumn<QList<Step>>("script");
  QTest::addColumn<bool>("needLogin");
  QTest::addColumn<QString>("login");
  QTest::addColumn<QString>("password");
  QTest::addColumn<QStringList>("log");
  QTest::addColumn<QStringList>("received");

  const QString login = QStringLiteral("hr@example.com");
  const QString password = QStringLiteral("secret");
  const QStringList helloAndAuth{QStringLiteral("HELO /EHLO"), QStringLiteral("auth login")};

  QTest::newRow("multi-line greeting, login accepted")
      << QList<Step>{{0, "220-mail.example.com ESMTP\r\n220 ready\r\n"},
                     {1, kHelloReply},
                     {2, kUserPrompt},
                     {4, kPasswordPrompt},
                     {6, kAccepted}}
      << true << login << password
      << QStringList{"220-mail.example.com ESMTP",
                     "220 ready",
                     "服务就绪!",
                     "250 mail.example.com",
                     "请求邮件动作正确!",
                     "334 VXNlcm5hbWU6",
                     "开始验证!",
                     "334 UGFzc3dvcmQ6",
                     "开始验证!",
                     "235 2.7.0 Authentication successful",
                     "验证成功!"}
      << helloAndAuth + QStringList{kUser, kPassword, kUser, kPassword};

  QTest::newRow("password refused")
      << QList<Step>{{0, kGreeting},
                     {1, kHelloReply},
                     {2, kUserPrompt},
                     {4, kPasswordPrompt},
                     {6, "535 5.7.8 Authentication failed\r\n"}}
      << true << login << password << QStringList{"220 mail.example.com ESMTP",
                                                  "服务就绪!",
                                                  "250 mail.example.com",
                                                  "请求邮件动作正确!",
                                                  "334 VXNlcm5hbWU6",
                                                  "开始验证!",
                                                  "334 UGFzc3dvcmQ6",
                                                  "开始验证!",
                                                  "535 5.7.8 Authentication failed",
                                                  "授权码或者登陆密码错误!"}
      << helloAndAuth + QStringList{kUser, kPassword, kUser, kPassword};

  QTest::newRow("334 and 235 in one chunk count as 334")
      << QList<Step>{{0, kGreeting},
                     {1, kHelloReply},
                     {2, kUserPrompt},
                     {4, kPasswordPrompt + kAccepted}}
      << true << login << password
      << QStringList{"220 mail.example.com ESMTP",
                     "服务就绪!",
                     "250 mail.example.com",
                     "请求邮件动作正确!",
                     "334 VXNlcm5hbWU6",
                     "开始验证!",
                     "334 UGFzc3dvcmQ6",
                     "235 2.7.0 Authentication successful",
                     "开始验证!"}
      << helloAndAuth + QStringList{kUser, kPassword, kUser, kPassword};

  QTest::newRow("502 is not logged, the next reply is")
      << QList<Step>{{0, kGreeting},
                     {1, "502 5.5.2 Error: command not recognized\r\n"},
                     {1, kHelloReply, 300}}
      << true << login << password
      << QStringList{"220 mail.example.com ESMTP", "服务就绪!", "250 mail.example.com",
                     "请求邮件动作正确!"}
      << helloAndAuth;

  QTest::newRow("500 is logged without an explanation")
      << QList<Step>{{0, kGreeting}, {1, kHelloReply}, {2, "500 5.5.1 Error: bad syntax\r\n"}}
      << true << login << password
      << QStringList{"220 mail.example.com ESMTP", "服务就绪!", "250 mail.example.com",
                     "请求邮件动作正确!", "500 5.5.1 Error: bad syntax"}
      << helloAndAuth;

  QTest::newRow("no login: 334 is logged and not answered")
      << QList<Step>{{0, kGreeting}, {1, kHelloReply}, {2, kUserPrompt}} << false << login
      << password
      << QStringList{"220 mail.example.com ESMTP", "服务就绪!", "250 mail.example.com",
                     "请求邮件动作正确!", "334 VXNlcm5hbWU6"}
      << helloAndAuth;

  // GB18030 bytes; 60 bytes of password give 80 base64 characters, broken after 76.
  QTest::newRow("chinese login and a long password")
      << QList<Step>{{0, kGreeting}, {1, kHelloReply}, {2, kUserPrompt}, {5, kAccepted}} << true
      << QStringLiteral("张三@例子.com") << QString(60, QLatin1Char('y'))
      << QStringList{"220 mail.example.com ESMTP",
                     "服务就绪!",
                     "250 mail.example.com",
                     "请求邮件动作正确!",
                     "334 VXNlcm5hbWU6",
                     "开始验证!",
                     "235 2.7.0 Authentication successful",
                     "验证成功!"}
      << helloAndAuth + QStringList{"1cXI/UDA/dfTLmNvbQ==", QString("eXl5").repeated(19), "eXl5"};
}

void TestTestSmtpServer::conversation() {
  QFETCH(QList<Step>, script);
  QFETCH(bool, needLogin);
  QFETCH(QString, login);
  QFETCH(QString, password);
  QFETCH(QStringList, log);
  QFETCH(QStringList, received);

  ScriptedInteraction interaction;
  ScriptedTcpServer server(script);
  QVERIFY(server.listen());
  QPointer<TFormTestSMTPServer> window = makeWindow(server.port(), needLogin, login, password);
  QVERIFY(window->DoTest());
  QTRY_COMPARE(logText(window), log.join(QLatin1Char('\n')));
  QTRY_COMPARE(server.lines(), received);
  // Nothing more follows: no QUIT, no further answer.
  QTest::qWait(300);
  QCOMPARE(server.lines(), received);
  QCOMPARE(logText(window), log.join(QLatin1Char('\n')));
  QVERIFY(!server.isClosed());
  QVERIFY(interaction.shown.isEmpty());
  window->close();
  QTRY_VERIFY(window.isNull());
  QTRY_VERIFY(server.isClosed());
}

void TestTestSmtpServer::refusedConnectionShowsTheErrorBox() {
  ScriptedInteraction interaction;
  QPointer<TFormTestSMTPServer> window = makeWindow(unusedPort());
  QVERIFY(!window->DoTest());
  QCOMPARE(interaction.shown.size(), 1);
  QCOMPARE(interaction.shown.at(0).kind, ScriptedInteraction::Kind::Error);
  QVERIFY2(interaction.shown.at(0).text.contains(QStringLiteral("refused"), Qt::CaseInsensitive),
           qPrintable(interaction.shown.at(0).text));
  QVERIFY(!window->isVisible());
  QCOMPARE(logText(window), QString());
  delete window;
}

void TestTestSmtpServer::retestClearsTheLogAndReconnects() {
  ScriptedInteraction interaction;
  ScriptedTcpServer server({{0, kGreeting}, {1, kHelloReply}});
  QVERIFY(server.listen());
  QPointer<TFormTestSMTPServer> window = makeWindow(server.port());
  QVERIFY(window->DoTest());
  const QString conversation = QStringLiteral(
      "220 mail.example.com ESMTP\n服务就绪!\n250 mail.example.com\n请求邮件动作正确!");
  QTRY_COMPARE(logText(window), conversation);

  action(window, "ActionTest")->trigger();
  QTRY_COMPARE(server.connectionCount(), 2);
  QTRY_VERIFY(server.isClosed(0));
  QTRY_COMPARE(server.lines(1), (QStringList{"HELO /EHLO", "auth login"}));
  QTRY_COMPARE(logText(window), conversation);
  QVERIFY(!server.isClosed(1));
  window->close();
  QTRY_VERIFY(window.isNull());
}

void TestTestSmtpServer::stopClosesTheConnectionAndTheWindow() {
  ScriptedInteraction interaction;
  ScriptedTcpServer server({{0, kGreeting}});
  QVERIFY(server.listen());
  QPointer<TFormTestSMTPServer> window = makeWindow(server.port());
  QVERIFY(window->DoTest());
  window->show();
  QTRY_COMPARE(server.lines(), QStringList{"HELO /EHLO"});
  action(window, "ActionStop")->trigger();
  QTRY_VERIFY(server.isClosed());
  QTRY_VERIFY(window.isNull());
}

void TestTestSmtpServer::portUsesItsLow16Bits() {
  ScriptedInteraction interaction;
  ScriptedTcpServer server({{0, kGreeting}});
  QVERIFY(server.listen());
  QPointer<TFormTestSMTPServer> window = makeWindow(server.port());
  window->Port = 65536 + server.port();
  QVERIFY(window->DoTest());
  QTRY_COMPARE(server.lines(), QStringList{"HELO /EHLO"});
  window->close();
  QTRY_VERIFY(window.isNull());
}

void TestTestSmtpServer::againstAiosmtpd_data() {
  QTest::addColumn<bool>("implicitTls");
  QTest::newRow("plain") << false;
  QTest::newRow("implicit TLS") << true;
}

void TestTestSmtpServer::againstAiosmtpd() {
  QFETCH(bool, implicitTls);
  ScriptedInteraction interaction;
  SmtpTestServer server;
  SmtpTestServer::Options options;
  if (implicitTls) options.tls = SmtpTestServer::Tls::Implicit;
  QVERIFY(server.start(options));
  if (implicitTls) {
    SetSmtpCaBundleForTesting(server.certificatePath());
    SetImplicitTlsPortForTesting(server.port());
  }
  QPointer<TFormTestSMTPServer> window = makeWindow(server.port());
  const bool connected = window->DoTest();
  SetSmtpCaBundleForTesting(QString());
  SetImplicitTlsPortForTesting(0);
  QVERIFY2(connected, qPrintable(interaction.messages().join(QLatin1Char('\n'))));

  // aiosmtpd takes "HELO /EHLO" as a HELO and wants EHLO before AUTH, so the script stops at
  // its answer to "auth login".
  const QString expected = QStringLiteral(
      "220 korvane-test.local Python SMTP %1\n服务就绪!\n250 korvane-test.local\n"
      "请求邮件动作正确!\n500 Error: command 'AUTH' not recognized");
  QTRY_VERIFY(logText(window).contains(QStringLiteral("500 Error")));
  qInfo("transcript:\n%s", qPrintable(logText(window)));
  const QString log = logText(window);
  const QString version = log.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(' '), 4);
  QCOMPARE(log, expected.arg(version));
  window->close();
  QTRY_VERIFY(window.isNull());
}

QTEST_MAIN(TestTestSmtpServer)
#include "tst_testsmtpserver.moc"
