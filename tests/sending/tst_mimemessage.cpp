#include <QTest>
#include <QTimeZone>

#include "sending/MimeMessage.h"

namespace {
QList<QByteArray> headerLines(const QByteArray &rendered) {
  return rendered.left(rendered.indexOf("\r\n\r\n")).split('\n');
}

QByteArray headerValue(const QByteArray &rendered, const QByteArray &name) {
  for (const QByteArray &line : headerLines(rendered)) {
    if (line.startsWith(name + ": ")) return line.mid(name.size() + 2).trimmed();
  }
  return {};
}
}  // namespace

// What the message renders that the mail test's reader does not show by itself.
class TestMimeMessage : public QObject {
  Q_OBJECT

 private slots:
  void recipientsFromOneText_data();
  void recipientsFromOneText();
  void subjectEncoding_data();
  void subjectEncoding();
  void dateAndMessageId();
  void longBodyInShortLines();
};

void TestMimeMessage::recipientsFromOneText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QStringList>("recipients");
  QTest::newRow("one") << "zhang.san@example.com" << QStringList{"zhang.san@example.com"};
  QTest::newRow("trimmed of blanks and tabs") << " \tzhang.san@example.com\r\n"
                                              << QStringList{"zhang.san@example.com"};
  QTest::newRow("commas and semicolons")
      << "a@example.com,b@example.com; c@example.com"
      << QStringList{"a@example.com", "b@example.com", "c@example.com"};
  QTest::newRow("empty items dropped") << ";a@example.com,, ;" << QStringList{"a@example.com"};
  QTest::newRow("empty") << "" << QStringList{};
}

void TestMimeMessage::recipientsFromOneText() {
  QFETCH(QString, text);
  QFETCH(QStringList, recipients);
  MimeMessage message;
  message.setRecipientsText(QStringLiteral("old@example.com"));
  message.setRecipientsText(text);
  QCOMPARE(message.recipients(), recipients);
}

void TestMimeMessage::subjectEncoding_data() {
  QTest::addColumn<QString>("subject");
  QTest::addColumn<bool>("encoded");
  QTest::newRow("short ascii stays") << "Payslip 2026-11" << false;
  QTest::newRow("chinese") << "11月工资条" << true;
  QTest::newRow("a line break cannot start a header") << "Payslip\r\nBcc: x@example.com" << true;
  QTest::newRow("long ascii folds") << QString(120, QLatin1Char('a')) << true;
  QTest::newRow("long chinese with emoji") << QString("工资明细😀").repeated(20) << true;
}

void TestMimeMessage::subjectEncoding() {
  QFETCH(QString, subject);
  QFETCH(bool, encoded);
  MimeMessage message;
  message.Subject = subject;
  message.From = QStringLiteral("hr@example.com");
  message.setRecipientsText(QStringLiteral("zhang.san@example.com"));
  const QByteArray rendered = message.render(QDateTime::currentDateTime());

  QByteArray value;
  bool inSubject = false;
  for (const QByteArray &raw : headerLines(rendered)) {
    const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
    QVERIFY2(line.size() <= 76 || !encoded, line.constData());
    if (line.startsWith("Subject: ")) {
      inSubject = true;
      value = line.mid(9);
    } else if (inSubject && line.startsWith(' ')) {
      value += '\n' + line.mid(1);
    } else {
      inSubject = false;
    }
    QVERIFY2(!line.startsWith("Bcc:"), line.constData());
  }
  if (!encoded) {
    QCOMPARE(QString::fromLatin1(value), subject);
    return;
  }
  // Each folded piece is a whole encoded word that decodes on its own.
  QString decoded;
  for (const QByteArray &word : value.split('\n')) {
    QVERIFY2(word.startsWith("=?UTF-8?B?") && word.endsWith("?=") && word.size() <= 75,
             word.constData());
    const QByteArray bytes = QByteArray::fromBase64(word.mid(10, word.size() - 12));
    QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
    decoded += QString::fromUtf8(bytes);
  }
  QCOMPARE(decoded, subject);
}

void TestMimeMessage::dateAndMessageId() {
  MimeMessage message;
  message.From = QStringLiteral("hr@corp.example.cn");
  message.setRecipientsText(QStringLiteral("zhang.san@example.com"));
  const QDateTime when(QDate(2026, 12, 11), QTime(9, 48, 12), QTimeZone(8 * 3600));
  const QByteArray rendered = message.render(when);
  QCOMPARE(headerValue(rendered, "Date"), QByteArray("Fri, 11 Dec 2026 09:48:12 +0800"));
  QVERIFY(headerValue(rendered, "Message-ID").endsWith("@corp.example.cn>"));
  QVERIFY(headerValue(message.render(when), "Message-ID") != headerValue(rendered, "Message-ID"));
}

void TestMimeMessage::longBodyInShortLines() {
  MimeMessage message;
  message.ContentType = QStringLiteral("text/html");
  message.From = QStringLiteral("hr@example.com");
  message.setRecipientsText(QStringLiteral("zhang.san@example.com"));
  message.Body << QString("<td>实发工资</td>").repeated(500) << QStringLiteral("second line");
  const QByteArray rendered = message.render(QDateTime::currentDateTime());
  QCOMPARE(headerValue(rendered, "Content-Type"), QByteArray("text/html; charset=UTF-8"));
  const QByteArray body = rendered.mid(rendered.indexOf("\r\n\r\n") + 4);
  QVERIFY(body.endsWith("\r\n"));
  for (const QByteArray &line : body.chopped(2).split('\n')) {
    QVERIFY(line.chopped(line.endsWith('\r') ? 1 : 0).size() <= 76);
  }
  QCOMPARE(QString::fromUtf8(QByteArray::fromBase64(body)),
           message.Body.join(QStringLiteral("\r\n")));
}

QTEST_GUILESS_MAIN(TestMimeMessage)
#include "tst_mimemessage.moc"
