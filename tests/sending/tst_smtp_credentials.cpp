#include <QHostAddress>
#include <QTest>
#include <QThread>

#include "sending/MailOperations.h"
#include "sending/MimeMessage.h"
#include "sending/SmtpClient.h"
#include "sending/SmtpSecurity.h"
#include "support/ScriptedTcpServer.h"
#include "support/SmtpTestServer.h"

using Tls = SmtpTestServer::Tls;
using Step = ScriptedTcpServer::Step;
Q_DECLARE_METATYPE(SmtpTestServer::Tls)

namespace {
const QString kUser = QStringLiteral("hr@example.com");
const QString kPassword = QStringLiteral("s3cret-Pa55");
const QString kRefusal = QStringLiteral("服务器不支持加密连接(STARTTLS)，为保护密码未登录");
const QByteArray kGreeting = "220 mail.example.net ESMTP\r\n";
const QByteArray kEhloWithoutStartTls = "250-mail.example.net\r\n250 AUTH LOGIN PLAIN\r\n";

MimeMessage payslipMessage() {
  MimeMessage message;
  message.ContentType = QStringLiteral("text/html");
  message.CharSet = QStringLiteral("UTF-8");
  message.Subject = QStringLiteral("11月工资条");
  message.From = kUser;
  message.setRecipientsText(QStringLiteral("zhang.san@example.com"));
  message.Body << QStringLiteral("<html><body>工资</body></html>");
  return message;
}

QString base64(const QString &text) { return QString::fromLatin1(text.toUtf8().toBase64()); }

// The test servers listen on loopback; this makes the client judge them as distant ones.
struct LoopbackCountsAsPublic {
  LoopbackCountsAsPublic() { SetLoopbackCountsAsPublicForTesting(true); }
  ~LoopbackCountsAsPublic() { SetLoopbackCountsAsPublicForTesting(false); }
};

struct TrustServer {
  explicit TrustServer(const SmtpTestServer &server) {
    SetSmtpCaBundleForTesting(server.certificatePath());
  }
  ~TrustServer() { SetSmtpCaBundleForTesting(QString()); }
};

// Sends on a thread of its own while this thread's event loop serves a scripted server.
bool sendBeside(ScriptedTcpServer &server, const QString &password, QString &error) {
  bool sent = false;
  QThread *sender = QThread::create([&] {
    SmtpClient client;
    client.Host = QStringLiteral("127.0.0.1");
    client.Port = server.port();
    client.Username = kUser;
    client.Password = password;
    client.AuthenticationType = SmtpClient::Authentication::Login;
    client.ReadTimeoutMs = 5000;
    sent = client.send(payslipMessage(), error);
  });
  sender->start();
  const bool finished = QTest::qWaitFor([&] { return sender->isFinished(); }, 30000);
  sender->wait();
  delete sender;
  return finished && sent;
}

bool anyLineStartsWith(const QStringList &lines, const QString &verb) {
  for (const QString &line : lines)
    if (line.startsWith(verb, Qt::CaseInsensitive)) return true;
  return false;
}
}  // namespace

// Credentials travel in the clear only to a server on this computer or a private network.
class TestSmtpCredentials : public QObject {
  Q_OBJECT

 private slots:
  void localNetworkAddresses_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("local");
    QTest::newRow("IPv4 loopback") << "127.0.0.1" << true;
    QTest::newRow("IPv4 loopback, another") << "127.45.6.7" << true;
    QTest::newRow("10/8") << "10.20.30.40" << true;
    QTest::newRow("172.16/12, first") << "172.16.0.1" << true;
    QTest::newRow("172.16/12, last") << "172.31.255.254" << true;
    QTest::newRow("just below 172.16/12") << "172.15.255.254" << false;
    QTest::newRow("just above 172.16/12") << "172.32.0.1" << false;
    QTest::newRow("192.168/16") << "192.168.1.10" << true;
    QTest::newRow("beside 192.168/16") << "192.169.0.1" << false;
    QTest::newRow("IPv4 link-local") << "169.254.7.8" << true;
    QTest::newRow("public IPv4") << "8.8.8.8" << false;
    QTest::newRow("carrier-grade NAT is not private") << "100.64.0.1" << false;
    QTest::newRow("IPv4 unspecified") << "0.0.0.0" << false;
    QTest::newRow("IPv4 broadcast") << "255.255.255.255" << false;
    QTest::newRow("IPv6 loopback") << "::1" << true;
    QTest::newRow("IPv6 link-local") << "fe80::1" << true;
    QTest::newRow("IPv6 link-local with scope") << "fe80::1%eth0" << true;
    QTest::newRow("IPv6 unique-local fd") << "fd12:3456:789a::1" << true;
    QTest::newRow("IPv6 unique-local fc") << "fc00::1" << true;
    QTest::newRow("IPv6 site-local (deprecated)") << "fec0::1" << false;
    QTest::newRow("public IPv6") << "2a00:1450:4001::1" << false;
    QTest::newRow("IPv6 documentation") << "2001:db8::1" << false;
    QTest::newRow("IPv6 unspecified") << "::" << false;
    QTest::newRow("mapped private IPv4") << "::ffff:192.168.0.5" << true;
    QTest::newRow("mapped loopback") << "::ffff:127.0.0.1" << true;
    QTest::newRow("mapped public IPv4") << "::ffff:8.8.8.8" << false;
    QTest::newRow("NAT64 of a private IPv4 is public") << "64:ff9b::a00:1" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("a name, not an address") << "localhost" << false;
  }
  void localNetworkAddresses() {
    QFETCH(QString, address);
    QFETCH(bool, local);
    QCOMPARE(IsLocalNetworkAddress(QHostAddress(address)), local);
    QCOMPARE(MayLogInWithoutTls(address), local);
  }

  void testingSeamMakesOnlyLoopbackPublic_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("mayLogIn");
    QTest::newRow("IPv4 loopback") << "127.0.0.1" << false;
    QTest::newRow("IPv6 loopback") << "::1" << false;
    QTest::newRow("mapped loopback") << "::ffff:127.0.0.1" << false;
    QTest::newRow("private network") << "10.0.0.1" << true;
  }
  void testingSeamMakesOnlyLoopbackPublic() {
    QFETCH(QString, address);
    QFETCH(bool, mayLogIn);
    LoopbackCountsAsPublic seam;
    QCOMPARE(MayLogInWithoutTls(address), mayLogIn);
  }

  void distantServerWithoutStartTlsGetsNoPassword_data() {
    QTest::addColumn<QList<Step>>("script");
    QTest::newRow("STARTTLS not offered")
        << QList<Step>{{0, kGreeting}, {1, kEhloWithoutStartTls}, {2, "221 2.0.0 Bye\r\n"}};
    QTest::newRow("STARTTLS offered, then refused")
        << QList<Step>{{0, kGreeting},
                       {1, "250-mail.example.net\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n"},
                       {2, "454 4.7.0 TLS not available due to temporary reason\r\n"},
                       {3, "221 2.0.0 Bye\r\n"}};
  }
  void distantServerWithoutStartTlsGetsNoPassword() {
    QFETCH(QList<Step>, script);
    ScriptedTcpServer server(script);
    QVERIFY(server.listen());
    LoopbackCountsAsPublic seam;
    QString error;
    QVERIFY(!sendBeside(server, kPassword, error));
    QCOMPARE(error, kRefusal);
    QCOMPARE(server.connectionCount(), 1);  // no second try in plain text
    const QStringList lines = server.lines();
    QVERIFY2(anyLineStartsWith(lines, "EHLO"), qPrintable(lines.join('|')));
    for (const char *verb : {"AUTH", "MAIL", "RCPT", "DATA"})
      QVERIFY2(!anyLineStartsWith(lines, verb), qPrintable(lines.join('|')));
    QVERIFY(!lines.join('\n').contains(base64(kPassword)));
    QVERIFY(!lines.join('\n').contains(kPassword));
  }

  // Through the send operation against the real server fixture, as the send window uses it.
  void distantServer_data() {
    QTest::addColumn<Tls>("tls");
    QTest::addColumn<bool>("login");
    QTest::addColumn<QString>("outcome");  // "sent plain", "sent encrypted" or the error
    QTest::newRow("no STARTTLS, login: refused") << Tls::None << true << kRefusal;
    QTest::newRow("no STARTTLS, no login: sent as before") << Tls::None << false << "sent plain";
    QTest::newRow("STARTTLS, login: sent encrypted") << Tls::StartTls << true << "sent encrypted";
  }
  void distantServer() {
    QFETCH(Tls, tls);
    QFETCH(bool, login);
    QFETCH(QString, outcome);
    SmtpTestServer server;
    SmtpTestServer::Options options;
    options.tls = tls;
    options.user = kUser;
    options.password = kPassword;
    QVERIFY(server.start(options));
    TrustServer trust(server);
    LoopbackCountsAsPublic seam;
    SmtpClient client;
    QString error;
    const bool sent = SendEmailBySMTP(client, payslipMessage(), server.host(), kUser, kPassword,
                                      server.port(), login, error);
    const QList<QJsonObject> received = server.received();
    if (!outcome.startsWith("sent")) {
      QVERIFY(!sent);
      QCOMPARE(error, outcome);
      QCOMPARE(received.size(), 0);
      return;
    }
    QVERIFY2(sent, qPrintable(error));
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().value("tls").toBool(), outcome == "sent encrypted");
    QCOMPARE(received.first().value("authenticated").toBool(), login);
  }

  void localServerWithoutStartTlsStillGetsTheLogin() {
    // The test servers are on loopback: local, so the login goes in plain text as before.
    SmtpTestServer server;
    SmtpTestServer::Options options;
    options.user = kUser;
    options.password = kPassword;
    QVERIFY(server.start(options));
    SmtpClient client;
    QString error;
    QVERIFY2(SendEmailBySMTP(client, payslipMessage(), server.host(), kUser, kPassword,
                             server.port(), true, error),
             qPrintable(error));
    const QList<QJsonObject> received = server.received();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().value("authenticated").toBool(), true);
    QCOMPARE(received.first().value("tls").toBool(), false);
  }

  void echoedCredentialsAreMasked_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("long password") << kPassword;
    QTest::newRow("short password") << "pw1";
    QTest::newRow("non-ASCII password") << "密码x9";
  }
  void echoedCredentialsAreMasked() {
    // A server that repeats what it got in its refusal: neither form may reach the user.
    QFETCH(QString, password);
    const QByteArray echo = "535 5.7.8 Authentication failed for " + kUser.toUtf8() + " (" +
                            password.toUtf8() + ") " + base64(password).toLatin1() + "\r\n";
    ScriptedTcpServer server({{0, kGreeting},
                              {1, kEhloWithoutStartTls},
                              {2, "334 VXNlcm5hbWU6\r\n"},
                              {3, "334 UGFzc3dvcmQ6\r\n"},
                              {4, echo},
                              {5, "221 2.0.0 Bye\r\n"}});
    QVERIFY(server.listen());
    QString error;
    QVERIFY(!sendBeside(server, password, error));
    QVERIFY2(error.startsWith("535 5.7.8 Authentication failed for hr@example.com"),
             qPrintable(error));
    QVERIFY2(!error.contains(password), qPrintable(error));
    QVERIFY2(!error.contains(base64(password)), qPrintable(error));
    // The login did reach this local server, on the second connection.
    QCOMPARE(server.lines().value(3), base64(password));
  }
};

QTEST_GUILESS_MAIN(TestSmtpCredentials)
#include "tst_smtp_credentials.moc"
