#include <QTest>

#include "data/CodePage.h"
#include "mailservers/SmtpDialogueScript.h"

// The account test's answers, one chunk at a time.
class TestSmtpDialogueScript : public QObject {
  Q_OBJECT

 private slots:
  void answersEachChunkByItsCode_data();
  void answersEachChunkByItsCode();
  void credentialsInTheCodePage_data();
  void credentialsInTheCodePage();
};

void TestSmtpDialogueScript::answersEachChunkByItsCode_data() {
  QTest::addColumn<QByteArray>("chunk");
  QTest::addColumn<bool>("needLogin");
  QTest::addColumn<QStringList>("log");
  QTest::addColumn<QByteArray>("sent");
  QTest::addColumn<bool>("scroll");

  const QByteArray credentials = "aHJAZXhhbXBsZS5jb20=\r\nc2VjcmV0\r\n";
  QTest::newRow("greeting") << QByteArray("220 mail.example.com ESMTP\r\n") << true
                            << QStringList{"220 mail.example.com ESMTP\r\n", "服务就绪!"}
                            << QByteArray("HELO /EHLO\r\n") << false;
  QTest::newRow("multi-line greeting counts as 220")
      << QByteArray("220-mail.example.com ESMTP\r\n220 ready\r\n") << true
      << QStringList{"220-mail.example.com ESMTP\r\n220 ready\r\n", "服务就绪!"}
      << QByteArray("HELO /EHLO\r\n") << false;
  QTest::newRow("250") << QByteArray("250 mail.example.com\r\n") << true
                       << QStringList{"250 mail.example.com\r\n", "请求邮件动作正确!"}
                       << QByteArray("auth login\r\n") << false;
  QTest::newRow("334 sends both credentials")
      << QByteArray("334 VXNlcm5hbWU6\r\n") << true
      << QStringList{"334 VXNlcm5hbWU6\r\n", "开始验证!"} << credentials << false;
  QTest::newRow("334 without login is only logged")
      << QByteArray("334 VXNlcm5hbWU6\r\n") << false << QStringList{"334 VXNlcm5hbWU6\r\n"}
      << QByteArray() << false;
  QTest::newRow("334 and 235 in one chunk is a 334")
      << QByteArray("334 UGFzc3dvcmQ6\r\n235 2.7.0 Authentication successful\r\n") << true
      << QStringList{"334 UGFzc3dvcmQ6\r\n235 2.7.0 Authentication successful\r\n", "开始验证!"}
      << credentials << false;
  QTest::newRow("235") << QByteArray("235 2.7.0 Authentication successful\r\n") << true
                       << QStringList{"235 2.7.0 Authentication successful\r\n", "验证成功!"}
                       << QByteArray() << true;
  QTest::newRow("535") << QByteArray("535 5.7.8 Authentication failed\r\n") << true
                       << QStringList{"535 5.7.8 Authentication failed\r\n",
                                      "授权码或者登陆密码错误!"}
                       << QByteArray() << true;
  QTest::newRow("502 is not logged") << QByteArray("502 5.5.2 Error: command not recognized\r\n")
                                     << true << QStringList{} << QByteArray() << false;
  QTest::newRow("500 is logged without a word")
      << QByteArray("500 Error: command \"AUTH\" not recognized\r\n") << true
      << QStringList{"500 Error: command \"AUTH\" not recognized\r\n"} << QByteArray() << false;
  QTest::newRow("a code-page reply is decoded")
      << ToAnsiCodePage(QStringLiteral("554 拒绝\r\n")) << true << QStringList{"554 拒绝\r\n"}
      << QByteArray() << false;
  QTest::newRow("a short chunk") << QByteArray("22") << true << QStringList{"22"} << QByteArray()
                                 << false;
}

void TestSmtpDialogueScript::answersEachChunkByItsCode() {
  QFETCH(QByteArray, chunk);
  QFETCH(bool, needLogin);
  QFETCH(QStringList, log);
  QFETCH(QByteArray, sent);
  QFETCH(bool, scroll);

  SmtpDialogueScript script;
  script.NeedLogin = needLogin;
  script.LoginName = QStringLiteral("hr@example.com");
  script.Password = QStringLiteral("secret");
  const SmtpDialogueAnswer answer = script.handleChunk(chunk);
  QCOMPARE(answer.logEntries, log);
  QCOMPARE(answer.toSend, sent);
  QCOMPARE(answer.scrollToEnd, scroll);
}

void TestSmtpDialogueScript::credentialsInTheCodePage_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QByteArray>("encoded");
  // Expected values from Python's base64.encodebytes over the GB18030 bytes.
  QTest::newRow("ascii") << QStringLiteral("hr@example.com") << QByteArray("aHJAZXhhbXBsZS5jb20=");
  QTest::newRow("chinese login") << QStringLiteral("张三@例子.com")
                                 << QByteArray("1cXI/UDA/dfTLmNvbQ==");
  QTest::newRow("chinese password") << QStringLiteral("密码123") << QByteArray("w9zC6zEyMw==");
  QTest::newRow("latin letter outside ascii") << QStringLiteral("é") << QByteArray("qKY=");
  QTest::newRow("57 bytes end in a line break")
      << QString(57, QLatin1Char('x')) << QByteArray("eHh4").repeated(19) + "\r\n";
  QTest::newRow("60 bytes run onto a second line")
      << QString(60, QLatin1Char('y')) << QByteArray("eXl5").repeated(19) + "\r\neXl5";
  QTest::newRow("empty") << QString() << QByteArray();
}

void TestSmtpDialogueScript::credentialsInTheCodePage() {
  QFETCH(QString, text);
  QFETCH(QByteArray, encoded);
  QCOMPARE(SmtpDialogueScript::encodeCredential(text), encoded);
}

QTEST_GUILESS_MAIN(TestSmtpDialogueScript)
#include "tst_smtpdialoguescript.moc"
