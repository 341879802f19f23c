#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ProviderListFixture.h"
#include "data/Scramble.h"
#include "mailservers/ProviderListParser.h"
#include "support/TestPaths.h"

// The maker's provider list: the script that makes mass.txt, the shipped copy, and the
// scramble commands of korvane-cli.
class TestProviderList : public QObject {
  Q_OBJECT

  static QString script() {
    return SourceDir() + QStringLiteral("/resources/providers/make_mass_txt.py");
  }

  static bool run(const QString &program, const QStringList &args, const QByteArray &input,
                  QByteArray &out, int &exitCode) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) return false;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000)) return false;
    out = p.readAllStandardOutput();
    exitCode = p.exitCode();
    return true;
  }

 private slots:
  void scriptScramblesAsTheProgramDoes() {
    const QStringList texts{"QQ邮箱",
                            "smtp.qq.com",
                            "465",
                            "true",
                            "1",
                            "qq.com",
                            "引号'\"与表情😀，长文本超过八个字符以覆盖整个密钥"};
    QTemporaryDir dir;
    const QString tsv = dir.filePath(QStringLiteral("p.tsv"));
    QVERIFY(WriteBytes(tsv, "# header\n" + texts.join(QLatin1Char('\t')).toUtf8() + "\n"));
    QByteArray out;
    int code = -1;
    QVERIFY(run(SystemPython(), {script(), tsv, "-o", "-"}, {}, out, code));
    QCOMPARE(code, 0);
    QStringList expected;
    for (const QString &t : texts) expected << ScrambleText(t);
    QCOMPARE(QString::fromLatin1(out), expected.join(QLatin1Char('\t')) + QStringLiteral("\r\n"));
  }

  void shippedListIsMadeFromTheSource() {
    QByteArray out;
    int code = -1;
    QVERIFY(run(SystemPython(), {script(), "-o", "-"}, {}, out, code));
    QCOMPARE(code, 0);
    QCOMPARE(ReadBytes(SourceDir() + QStringLiteral("/resources/providers/mass.txt")), out);
  }

  void everyShippedProviderIsUsable() {
    const QByteArray tsv =
        ReadBytes(SourceDir() + QStringLiteral("/resources/providers/providers.tsv"));
    const QByteArray list =
        ReadBytes(SourceDir() + QStringLiteral("/resources/providers/mass.txt"));
    QStringList sources;
    for (const QString &line : QString::fromUtf8(tsv).split(QLatin1Char('\n')))
      if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) sources << line;
    const QStringList lines = ProviderListParser::splitLines(QString::fromLatin1(list));
    QCOMPARE(lines.size(), sources.size());
    QStringList domains;
    for (int i = 0; i < lines.size(); ++i) {
      const QStringList fields = ProviderListParser::splitFields(lines[i]);
      QString statement;
      QCOMPARE(ProviderListParser::buildInsert(fields, statement),
               ProviderListParser::Verdict::Insert);
      QStringList plain;
      for (const QString &f : fields) plain << UnscrambleText(f);
      QCOMPARE(plain.join(QLatin1Char('\t')), sources[i]);
      domains << plain[5];
    }
    domains.removeDuplicates();
    QCOMPARE(domains.size(), lines.size());  // a domain found twice would fill nothing
    for (const char *d :
         {"qq.com",      "foxmail.com", "vip.qq.com",  "163.com",     "126.com",    "yeah.net",
          "vip.163.com", "sina.com",    "sina.cn",     "sohu.com",    "aliyun.com", "139.com",
          "189.cn",      "wo.cn",       "outlook.com", "hotmail.com", "live.com",   "gmail.com",
          "yahoo.com",   "icloud.com",  "zoho.com"})
      QVERIFY2(domains.contains(QLatin1String(d)), d);
  }

  void cliCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    const QByteArray a = ScrambleText(QStringLiteral("网易163")).toLatin1();
    const QByteArray b = ScrambleText(QStringLiteral("x'y")).toLatin1();
    QTest::newRow("scramble keeps line ends")
        << "scramble" << QByteArray("网易163\r\nx'y\n\n") << 0 << a + "\r\n" + b + "\n\n";
    QTest::newRow("scramble last line unterminated") << "scramble" << QByteArray("x'y") << 0 << b;
    QTest::newRow("unscramble") << "unscramble" << a + "\r\n" + b.toLower() + "\n"
                                << 0 << QByteArray("网易163\r\nx'y\n");
    QTest::newRow("unscramble ignores a short rest") << "unscramble" << b + "AB\n"
                                                     << 0 << QByteArray("x'y\n");
    QTest::newRow("unscramble rejects a bad group") << "unscramble" << b + "\nZZZZ\n"
                                                    << 2 << QByteArray("x'y\n");
  }
  void cliCommands() {
    QFETCH(QString, command);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QByteArray out;
    int code = -1;
    QVERIFY(run(QStringLiteral(KORVANE_CLI), {command}, input, out, code));
    QCOMPARE(code, exitCode);
    QCOMPARE(out, output);
  }
};

QTEST_GUILESS_MAIN(TestProviderList)
#include "tst_provider_list.moc"
