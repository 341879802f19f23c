#include <QTest>

#include "data/Data.h"
#include "data/SecretText.h"
#include "data/SqlText.h"
#include "support/TestDatabase.h"

// Secrets masked in the texts the user sees.
class TestSecretText : public QObject {
  Q_OBJECT

 private slots:
  void maskSecret_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QString>("masked");
    QTest::newRow("long secret, everywhere") << "a Geheim99 b xGeheim99y"
                                             << "Geheim99"
                                             << "a ****** b x******y";
    QTest::newRow("short secret standing alone") << "535 pw1 (pw1)"
                                                 << "pw1"
                                                 << "535 ****** (******)";
    QTest::newRow("short secret inside words is kept") << "pwd=pw1x"
                                                       << "pw1"
                                                       << "pwd=pw1x";
    QTest::newRow("short secret at both ends") << "pw1 and pw1"
                                               << "pw1"
                                               << "****** and ******";
    QTest::newRow("reply code as password") << "535 5.7.8 bad"
                                            << "535"
                                            << "****** 5.7.8 bad";
    QTest::newRow("SQL literal with quotes") << "values('a','p''w',25)"
                                             << "'p''w'"
                                             << "values('a',******,25)";
    QTest::newRow("literal next to a letter") << "x'pw'y"
                                              << "'pw'"
                                              << "x******y";
    QTest::newRow("CJK secret") << "密码：秘密，完"
                                << "秘密"
                                << "密码：******，完";
    QTest::newRow("empty secret changes nothing") << "text"
                                                  << ""
                                                  << "text";
    QTest::newRow("secret that is part of the mask") << "a * b"
                                                     << "*"
                                                     << "a ****** b";
  }
  void maskSecret() {
    QFETCH(QString, text);
    QFETCH(QString, secret);
    QFETCH(QString, masked);
    QCOMPARE(MaskSecret(text, secret), masked);
  }

  void longerFormsAreMaskedWhole() {
    // The literal first, so that no quote of it is left standing beside the mask.
    QCOMPARE(MaskSecrets("values('it''s-long',1)", {"it's-long", "'it''s-long'"}),
             QStringLiteral("values(******,1)"));
  }

  void failedStatementHasItsSecretsMasked_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << "Geheim-Pa55";
    QTest::newRow("quotes") << "it's ''x\"";
    QTest::newRow("short") << "pw";
  }
  void failedStatementHasItsSecretsMasked() {
    QFETCH(QString, password);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    const QString literal = QuotedSqlText(password);
    // The name is too long for its column: the engine refuses the insert.
    const QString sql = QStringLiteral("insert into smtp_server(server_name,pwd) values('%1',%2)")
                            .arg(QString(51, QLatin1Char('x')), literal);
    QString error;
    QVERIFY(!SqlExec(sql, DataModule1->ADOQueryAccessComm, error, {literal, password}));
    QVERIFY2(error.endsWith(QStringLiteral("\r\n错误\r\n") +
                            QString(sql).replace(literal, kMaskedSecret)),
             qPrintable(error));
    QVERIFY2(!error.contains(literal), qPrintable(error));
    // Without secrets the statement stays whole, as every other caller expects.
    QVERIFY(!SqlExec(sql, DataModule1->ADOQueryAccessComm, error));
    QVERIFY(error.endsWith(sql));
  }
};

QTEST_GUILESS_MAIN(TestSecretText)
#include "tst_secret_text.moc"
