#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "sending/IniDocument.h"
#include "sending/MassIni.h"

namespace {
QString folderOf(const QTemporaryDir &dir) { return dir.path() + QLatin1Char('/'); }

void writeFile(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

MassIniValues sample() {
  MassIniValues v;
  v.server = QStringLiteral("3");
  v.inTurn = QStringLiteral("1");
  v.interval = QStringLiteral("12");
  v.title = QStringLiteral("2026年11月工资条=请查收；保密");
  v.randWaitSecond = QStringLiteral("0");
  v.sendCnt = QStringLiteral("50");
  v.waitSecond = QStringLiteral("abc");
  v.addName = QStringLiteral("1");
  return v;
}
}  // namespace

Q_DECLARE_METATYPE(MassIniValues)

class TestMassIni : public QObject {
  Q_OBJECT

 private slots:
  void writtenFromScratchInItsOrder() {
    QTemporaryDir dir;
    QString error;
    QVERIFY(WriteMassIni(folderOf(dir), sample(), error));
    QCOMPARE(QString::fromUtf8(readFile(MassIniPath(folderOf(dir)))),
             QStringLiteral("[SMTP]\nServer=3\nInTurn=1\nInterval=12\nRandWaitSecond=0\n"
                            "SendCnt=50\nWaitSecond=abc\nAddName=1\n[EMAIL]\n"
                            "TITLE=2026年11月工资条=请查收；保密\n"));
  }

  void roundTrip() {
    QTemporaryDir dir;
    QString error;
    QVERIFY(WriteMassIni(folderOf(dir), sample(), error));
    MassIniValues read;
    QVERIFY(ReadMassIni(folderOf(dir), read));
    const MassIniValues s = sample();
    QCOMPARE(read.server, s.server);
    QCOMPARE(read.inTurn, s.inTurn);
    QCOMPARE(read.interval, s.interval);
    QCOMPARE(read.title, s.title);
    QCOMPARE(read.randWaitSecond, s.randWaitSecond);
    QCOMPARE(read.sendCnt, s.sendCnt);
    QCOMPARE(read.waitSecond, s.waitSecond);
    QCOMPARE(read.addName, s.addName);
  }

  void noFileReadsNothing() {
    QTemporaryDir dir;
    MassIniValues v;
    v.interval = QStringLiteral("untouched");
    QVERIFY(!ReadMassIni(folderOf(dir), v));
    QCOMPARE(v.interval, QStringLiteral("untouched"));
  }

  void readingRules_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("inTurn");
    QTest::addColumn<bool>("random");
    QTest::addColumn<bool>("addName");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("sendCnt");
    QTest::addColumn<QString>("waitSecond");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("title");
    QTest::newRow("empty file: the file defaults") << QByteArray() << false << false << false << "3"
                                                   << "30"
                                                   << "10"
                                                   << ""
                                                   << "";
    QTest::newRow("InTurn 0 is off")
        << QByteArray("[SMTP]\nInTurn=0\n") << false << false << false << "3"
        << "30"
        << "10"
        << ""
        << "";
    QTest::newRow("InTurn empty is on")
        << QByteArray("[SMTP]\nInTurn=\n") << true << false << false << "3"
        << "30"
        << "10"
        << ""
        << "";
    QTest::newRow("InTurn any text is on")
        << QByteArray("[SMTP]\nInTurn=no\n") << true << false << false << "3"
        << "30"
        << "10"
        << ""
        << "";
    QTest::newRow("flags on only for 1")
        << QByteArray("[SMTP]\nInTurn=0\nRandWaitSecond=1\nAddName=1\n") << false << true << true
        << "3"
        << "30"
        << "10"
        << ""
        << "";
    QTest::newRow("flags off for other texts")
        << QByteArray("[SMTP]\nInTurn=0\nRandWaitSecond=yes\nAddName=2\n") << false << false
        << false << "3"
        << "30"
        << "10"
        << ""
        << "";
    QTest::newRow("texts as stored")
        << QByteArray(
               "[SMTP]\r\nServer=7\r\nInterval=x1\r\nSendCnt=\r\nWaitSecond=90\r\n"
               "[EMAIL]\r\nTITLE=工资 条 \r\n")
        << false << false << false << "x1"
        << ""
        << "90"
        << "7"
        << "工资 条 ";
    QTest::newRow("names in any case, BOM, comments")
        << QByteArray(
               "\xEF\xBB\xBF; saved by hand\n[smtp]\ninturn=0\n interval = 5\n"
               "[Email]\ntitle=薪资\n")
        << false << false << false << " 5"
        << "30"
        << "10"
        << ""
        << "薪资";
    QTest::newRow("keys of another section do not count")
        << QByteArray("[EMAIL]\nInTurn=1\nInterval=9\n[SMTP]\n") << false << false << false << "3"
        << "30"
        << "10"
        << ""
        << "";
  }

  void readingRules() {
    QFETCH(QByteArray, file);
    QFETCH(bool, inTurn);
    QFETCH(bool, random);
    QFETCH(bool, addName);
    QFETCH(QString, interval);
    QFETCH(QString, sendCnt);
    QFETCH(QString, waitSecond);
    QFETCH(QString, server);
    QFETCH(QString, title);
    QTemporaryDir dir;
    writeFile(MassIniPath(folderOf(dir)), file);
    MassIniValues v;
    QVERIFY(ReadMassIni(folderOf(dir), v));
    QCOMPARE(InTurnIsOn(v.inTurn), inTurn);
    QCOMPARE(FlagIsOn(v.randWaitSecond), random);
    QCOMPARE(FlagIsOn(v.addName), addName);
    QCOMPARE(v.interval, interval);
    QCOMPARE(v.sendCnt, sendCnt);
    QCOMPARE(v.waitSecond, waitSecond);
    QCOMPARE(v.server, server);
    QCOMPARE(v.title, title);
  }

  // What a user added by hand stays where it was; our keys are replaced in place, the missing
  // ones join their section, and the file keeps its line ends.
  void userLinesKeptInPlace() {
    QTemporaryDir dir;
    writeFile(MassIniPath(folderOf(dir)),
              "; 群发设置\r\n[EMAIL]\r\nTITLE=旧标题\r\nCC=boss@example.com\r\n\r\n"
              "[Mine]\r\nColour=blue\r\n[SMTP]\r\nInterval=5\r\nExtra=1\r\n");
    QString error;
    QVERIFY(WriteMassIni(folderOf(dir), sample(), error));
    QCOMPARE(QString::fromUtf8(readFile(MassIniPath(folderOf(dir)))),
             QStringLiteral("; 群发设置\r\n[EMAIL]\r\nTITLE=2026年11月工资条=请查收；保密\r\n"
                            "CC=boss@example.com\r\n\r\n[Mine]\r\nColour=blue\r\n[SMTP]\r\n"
                            "Interval=12\r\nExtra=1\r\nServer=3\r\nInTurn=1\r\n"
                            "RandWaitSecond=0\r\nSendCnt=50\r\nWaitSecond=abc\r\nAddName=1\r\n"));
  }

  void valueIsOneLine() {
    IniDocument ini;
    ini.setValue(QStringLiteral("EMAIL"), QStringLiteral("TITLE"),
                 QStringLiteral("a\r\n[SMTP]\nInTurn=0"));
    QCOMPARE(ini.text(), QStringLiteral("[EMAIL]\nTITLE=a  [SMTP] InTurn=0\n"));
    QVERIFY(!ini.contains(QStringLiteral("SMTP"), QStringLiteral("InTurn")));
  }
};

QTEST_GUILESS_MAIN(TestMassIni)
#include "tst_massini.moc"
