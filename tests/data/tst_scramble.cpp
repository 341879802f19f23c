#include <QTest>

#include "data/Scramble.h"

class TestScramble : public QObject {
  Q_OBJECT

 private slots:
  void pinnedOutput() {
    // Stored directories and the maker's published files depend on this exact output: a
    // change of the key shows here first.
    QCOMPARE(ScrambleText(QStringLiteral("smtp.qq.com")),
             QStringLiteral("4B1C721B611A65509A121D2FC7D03FAC4B0C72196103"));
    QCOMPARE(ScrambleText(QStringLiteral("腾讯")), QStringLiteral("CA11F9D9"));
  }

  void roundTrip_data() {
    QTest::addColumn<QString>("plain");
    QTest::newRow("empty") << QString();
    QTest::newRow("ascii") << QStringLiteral("smtp.163.com");
    QTest::newRow("mixed") << QStringLiteral("网易163邮箱 (需要授权码)\t\"quoted\"");
    QTest::newRow("longer than the key") << QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    QTest::newRow("surrogate pair") << QStringLiteral("工资😀条");
  }
  void roundTrip() {
    QFETCH(QString, plain);
    const QString scrambled = ScrambleText(plain);
    QCOMPARE(scrambled.size(), plain.size() * 4);
    for (QChar c : scrambled) QVERIFY(QStringLiteral("0123456789ABCDEF").contains(c));
    QCOMPARE(UnscrambleText(scrambled), plain);
    QCOMPARE(UnscrambleText(scrambled.toLower()), plain);
  }

  void trailingRestIsIgnored() {
    const QString scrambled = ScrambleText(QStringLiteral("qq.com"));
    QCOMPARE(UnscrambleText(scrambled + QStringLiteral("4B1")), QStringLiteral("qq.com"));
    QCOMPARE(UnscrambleText(QStringLiteral("4B1")), QString());
    QCOMPARE(UnscrambleText(QString()), QString());
  }

  void badGroupRaises() {
    const QString bad = ScrambleText(QStringLiteral("ab")) + QStringLiteral("12G4");
    QVERIFY_THROWS_EXCEPTION(ScrambleError, UnscrambleText(bad));
    QString plain = QStringLiteral("left over");
    QVERIFY(!TryUnscrambleText(bad, plain));
    QVERIFY(plain.isEmpty());
    // A sign or blank inside a group is no hexadecimal digit either.
    QVERIFY(!TryUnscrambleText(QStringLiteral("-123"), plain));
    QVERIFY(!TryUnscrambleText(QStringLiteral(" 123"), plain));
  }
};

QTEST_GUILESS_MAIN(TestScramble)
#include "tst_scramble.moc"
