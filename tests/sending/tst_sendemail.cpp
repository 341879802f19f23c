#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTcpServer>
#include <QTest>

#include "sending/MailOperations.h"
#include "sending/MimeMessage.h"
#include "sending/SmtpClient.h"
#include "sending/SmtpSecurity.h"
#include "support/SmtpTestServer.h"

using Tls = SmtpTestServer::Tls;
Q_DECLARE_METATYPE(SmtpTestServer::Tls)

namespace {
const QString kUser = QStringLiteral("hr@example.com");
const QString kPassword = QStringLiteral("s3cret-Pa55");
// Long enough to need several encoded words.
const QString kSubject = QStringLiteral(
    "2026年11月工资条——张三，请查收您本月的工资明细，如有疑问请联系人力资源部（分机 8021）");
const QString kHtml = QStringLiteral(
    "<html><head><meta charset=\"utf-8\"></head><body>\n"
    "<table border=1><tr><td>姓名</td><td>实发工资</td></tr>\n"
    ".<tr><td>张三</td><td>8,888.00</td></tr></table>\r\n"
    "<p>如有疑问请联系人事部 &amp; 财务部。</p></body></html>");

MimeMessage payslipMessage(const QString &recipients) {
  MimeMessage message;
  message.ContentType = QStringLiteral("text/html");
  message.CharSet = QStringLiteral("UTF-8");
  message.Subject = kSubject;
  message.From = kUser;
  message.setRecipientsText(recipients);
  message.Body.clear();
  message.Body << kHtml;
  return message;
}

// Test-only TLS settings for one server, undone when the test ends.
struct TrustServer {
  TrustServer(const SmtpTestServer &server, Tls tls) {
    SetSmtpCaBundleForTesting(server.certificatePath());
    if (tls == Tls::Implicit) SetImplicitTlsPortForTesting(server.port());
  }
  ~TrustServer() {
    SetSmtpCaBundleForTesting(QString());
    SetImplicitTlsPortForTesting(0);
  }
};

quint16 unusedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();  // closed again when probe goes
}

QStringList strings(const QJsonValue &array) {
  QStringList list;
  for (const QJsonValue &v : array.toArray()) list << v.toString();
  return list;
}

}  // namespace

// One session per mail against aiosmtpd on loopback; what arrived is read back with Python's
// email package.
class TestSendEmail : public QObject {
  Q_OBJECT

 private slots:
  void deliversThePayslip_data();
  void deliversThePayslip();
  void loginOffSendsWithoutAuthentication();
  void failuresCarryAClearText_data();
  void failuresCarryAClearText();
  void connectionRefused();
  void silentServerTimesOut();
  void unverifiedCertificateIsRefused_data();
  void unverifiedCertificateIsRefused();
  void validPorts_data();
  void validPorts();
  void portOutsideTheRangeIsRefused_data();
  void portOutsideTheRangeIsRefused();
};

void TestSendEmail::deliversThePayslip_data() {
  QTest::addColumn<Tls>("tls");
  QTest::addColumn<bool>("encrypted");
  QTest::newRow("plain when no STARTTLS is offered") << Tls::None << false;
  QTest::newRow("STARTTLS when offered") << Tls::StartTls << true;
  QTest::newRow("implicit TLS") << Tls::Implicit << true;
}

void TestSendEmail::deliversThePayslip() {
  QFETCH(Tls, tls);
  QFETCH(bool, encrypted);
  SmtpTestServer server;
  SmtpTestServer::Options options;
  options.tls = tls;
  options.user = kUser;
  options.password = kPassword;
  QVERIFY(server.start(options));
  TrustServer trust(server, tls);

  SmtpClient client;
  const MimeMessage message =
      payslipMessage(QStringLiteral(" zhang.san@example.com ; li.si@example.org,"));
  QString error = QStringLiteral("untouched");
  QVERIFY2(
      SendEmailBySMTP(client, message, server.host(), kUser, kPassword, server.port(), true, error),
      qPrintable(error));

  const QList<QJsonObject> received = server.received();
  QCOMPARE(received.size(), 1);
  const QJsonObject mail = received.first();
  QCOMPARE(mail.value("mail_from").toString(), kUser);
  QCOMPARE(strings(mail.value("rcpt_tos")),
           (QStringList{"zhang.san@example.com", "li.si@example.org"}));
  QCOMPARE(mail.value("authenticated").toBool(), true);
  QCOMPARE(mail.value("auth_mechanism").toString(), QStringLiteral("LOGIN"));
  QCOMPARE(mail.value("auth_login").toString(), kUser);
  QCOMPARE(mail.value("tls").toBool(), encrypted);

  QCOMPARE(mail.value("from").toString(), kUser);
  QCOMPARE(mail.value("to").toString(), QStringLiteral("zhang.san@example.com, li.si@example.org"));
  QCOMPARE(mail.value("subject").toString(), kSubject);
  QVERIFY(mail.value("raw_subject").toString().startsWith(QStringLiteral("=?UTF-8?B?")));
  QCOMPARE(mail.value("content_type").toString(), QStringLiteral("text/html"));
  QCOMPARE(mail.value("charset").toString(), QStringLiteral("utf-8"));
  QCOMPARE(mail.value("transfer_encoding").toString(), QStringLiteral("base64"));
  QCOMPARE(mail.value("mime_version").toString(), QStringLiteral("1.0"));
  QCOMPARE(mail.value("body").toString(), kHtml);
  QVERIFY(mail.value("message_id").toString().endsWith(QStringLiteral("@example.com>")));
  QVERIFY(!mail.value("date").toString().isEmpty());
  QCOMPARE(mail.value("defects").toArray().size(), 0);
  QVERIFY2(mail.value("longest_line").toInt() <= 78,
           qPrintable(QString::number(mail.value("longest_line").toInt())));
}

void TestSendEmail::loginOffSendsWithoutAuthentication() {
  SmtpTestServer server;
  QVERIFY(server.start());
  SmtpClient client;
  QString error;
  QVERIFY2(SendEmailBySMTP(client, payslipMessage(QStringLiteral("zhang.san@example.com")),
                           server.host(), kUser, kPassword, server.port(), false, error),
           qPrintable(error));
  const QList<QJsonObject> received = server.received();
  QCOMPARE(received.size(), 1);
  QCOMPARE(received.first().value("authenticated").toBool(), false);
  QCOMPARE(received.first().value("auth_mechanism").toString(), QString());
}

void TestSendEmail::failuresCarryAClearText_data() {
  QTest::addColumn<QString>("password");
  QTest::addColumn<bool>("login");
  QTest::addColumn<QStringList>("refuse");
  QTest::addColumn<QString>("replyToMail");
  QTest::addColumn<QString>("replyToData");
  QTest::addColumn<bool>("dropInData");
  QTest::addColumn<bool>("authRequired");
  QTest::addColumn<QString>("errorStart");

  const QStringList none;
  QTest::newRow("wrong password") << "wrong-password" << true << none << ""
                                  << "" << false << false
                                  << "535 5.7.8 Authentication credentials invalid";
  QTest::newRow("recipient refused")
      << kPassword << true << QStringList{"li.si@example.org"} << ""
      << "" << false << false << "550 5.1.1 <li.si@example.org>: Recipient address rejected";
  QTest::newRow("sender refused for now")
      << kPassword << true << none << "451 4.3.0 Try again later"
      << "" << false << false << "451 4.3.0 Try again later";
  QTest::newRow("content rejected") << kPassword << true << none << ""
                                    << "554 5.7.1 Message rejected as spam" << false << false
                                    << "554 5.7.1 Message rejected as spam";
  QTest::newRow("connection dropped during data") << kPassword << true << none << ""
                                                  << "" << true << false << "发送邮件内容失败：";
  QTest::newRow("server wants a login that is off")
      << kPassword << false << none << ""
      << "" << false << true << "530 5.7.0 Authentication required";
}

void TestSendEmail::failuresCarryAClearText() {
  QFETCH(QString, password);
  QFETCH(bool, login);
  QFETCH(QStringList, refuse);
  QFETCH(QString, replyToMail);
  QFETCH(QString, replyToData);
  QFETCH(bool, dropInData);
  QFETCH(bool, authRequired);
  QFETCH(QString, errorStart);

  SmtpTestServer server;
  SmtpTestServer::Options options;
  options.user = kUser;
  options.password = kPassword;
  options.refuseRecipients = refuse;
  options.replyToMail = replyToMail;
  options.replyToData = replyToData;
  options.dropInData = dropInData;
  options.authRequired = authRequired;
  QVERIFY(server.start(options));

  SmtpClient client;
  QString error;
  const MimeMessage message =
      payslipMessage(QStringLiteral("zhang.san@example.com;li.si@example.org"));
  QVERIFY(!SendEmailBySMTP(client, message, server.host(), kUser, password, server.port(), login,
                           error));
  QVERIFY2(error.startsWith(errorStart), qPrintable(error));
  QVERIFY(!error.contains(password));
  QVERIFY(!error.contains(QString::fromLatin1(password.toUtf8().toBase64())));
  QCOMPARE(server.received().size(), 0);
}

void TestSendEmail::connectionRefused() {
  SmtpClient client;
  QString error;
  QVERIFY(!SendEmailBySMTP(client, payslipMessage(QStringLiteral("zhang.san@example.com")),
                           QStringLiteral("127.0.0.1"), kUser, kPassword, unusedPort(), true,
                           error));
  QVERIFY2(error.startsWith(QStringLiteral("连接邮件服务器失败：")), qPrintable(error));
  QVERIFY(!error.contains(kPassword));
}

void TestSendEmail::silentServerTimesOut() {
  SmtpTestServer server;
  SmtpTestServer::Options options;
  options.silent = true;
  QVERIFY(server.start(options));

  SmtpClient client;
  client.Host = server.host();
  client.Port = server.port();
  client.ReadTimeoutMs = 1000;
  QString error;
  QElapsedTimer timer;
  timer.start();
  QVERIFY(!client.send(payslipMessage(QStringLiteral("zhang.san@example.com")), error));
  QVERIFY2(error.startsWith(QStringLiteral("邮件服务器响应超时")), qPrintable(error));
  QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
}

void TestSendEmail::unverifiedCertificateIsRefused_data() {
  QTest::addColumn<Tls>("tls");
  QTest::addColumn<bool>("trusted");
  QTest::addColumn<QString>("names");
  QTest::newRow("STARTTLS, unknown issuer") << Tls::StartTls << false << QString();
  QTest::newRow("STARTTLS, another host's name")
      << Tls::StartTls << true << QStringLiteral("DNS:mail.example.net");
  QTest::newRow("implicit TLS, unknown issuer") << Tls::Implicit << false << QString();
}

void TestSendEmail::unverifiedCertificateIsRefused() {
  // Verification of the issuer and of the host name stays on in the product; only the issuer
  // can be made known, through the test-only CA setting.
  QFETCH(Tls, tls);
  QFETCH(bool, trusted);
  QFETCH(QString, names);
  SmtpTestServer server;
  SmtpTestServer::Options options;
  options.tls = tls;
  options.certificateNames = names;
  QVERIFY(server.start(options));
  SetImplicitTlsPortForTesting(tls == Tls::Implicit ? server.port() : 0);
  SetSmtpCaBundleForTesting(trusted ? server.certificatePath() : QString());
  SmtpClient client;
  QString error;
  const bool sent = SendEmailBySMTP(client, payslipMessage(QStringLiteral("zhang.san@example.com")),
                                    server.host(), kUser, kPassword, server.port(), true, error);
  SetSmtpCaBundleForTesting(QString());
  SetImplicitTlsPortForTesting(0);
  QVERIFY(!sent);
  QVERIFY2(error.startsWith(QStringLiteral("建立加密连接(TLS)失败：")), qPrintable(error));
  QCOMPARE(server.received().size(), 0);
}

void TestSendEmail::validPorts_data() {
  QTest::addColumn<qint64>("port");
  QTest::addColumn<bool>("valid");
  for (qint64 port : {0LL, 1LL, 25LL, 65535LL, 65536LL, 105351LL, -1LL, 4294967321LL})
    QTest::newRow(qPrintable(QString::number(port))) << port << (port >= 1 && port <= 65535);
}

void TestSendEmail::validPorts() {
  QFETCH(qint64, port);
  QFETCH(bool, valid);
  QCOMPARE(IsValidSmtpPort(port), valid);
}

void TestSendEmail::portOutsideTheRangeIsRefused_data() {
  QTest::addColumn<int>("port");
  for (int port : {0, 65536, 105351, -1}) QTest::newRow(qPrintable(QString::number(port))) << port;
}

void TestSendEmail::portOutsideTheRangeIsRefused() {
  // Cut to 16 bits, the port would reach another one: 105351 is 39815, 65536 is 0, -1 is 65535.
  QFETCH(int, port);
  QTcpServer wrapped;
  const quint16 low16 = quint16(port & 0xFFFF);
  const bool listening = low16 != 0 && wrapped.listen(QHostAddress::LocalHost, low16);
  SmtpClient client;
  QString error;
  QVERIFY(!SendEmailBySMTP(client, payslipMessage(QStringLiteral("zhang.san@example.com")),
                           QStringLiteral("127.0.0.1"), kUser, kPassword, port, true, error));
  QCOMPARE(error, QStringLiteral("端口号无效：%1（端口号应为1到65535之间的整数）").arg(port));
  if (listening) QVERIFY(!wrapped.waitForNewConnection(200));
}

QTEST_GUILESS_MAIN(TestSendEmail)
#include "tst_sendemail.moc"
