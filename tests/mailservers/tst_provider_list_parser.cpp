#include <QTest>

#include "data/Scramble.h"
#include "mailservers/ProviderListParser.h"

// How one line of the provider list falls into fields, and which lines make an insert.
class TestProviderListParser : public QObject {
  Q_OBJECT

 private slots:
  void splitFields_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");
    const QString e;
    QTest::newRow("seven tab-separated")
        << "a\tb\tc\td\te\tf\tg" << QStringList{"a", "b", "c", "d", "e", "f", "g"};
    QTest::newRow("missing fields are empty") << "a\tb" << QStringList{"a", "b", e, e, e, e, e};
    QTest::newRow("empty line") << "" << QStringList{e, e, e, e, e, e, e};
    QTest::newRow("two tabs move the rest up")
        << "a\t\tc\td" << QStringList{"a", "c", "d", e, e, e, e};
    QTest::newRow("leading blanks and controls skipped") << " \t\x01"
                                                            "a b"
                                                         << QStringList{"a", "b", e, e, e, e, e};
    QTest::newRow("any control run separates")
        << "a\x1f\x0b b\r c" << QStringList{"a", "b", "c", e, e, e, e};
    QTest::newRow("quoted field keeps separators")
        << "\"a b\tc\"\td" << QStringList{"a b\tc", "d", e, e, e, e, e};
    QTest::newRow("doubled quote inside")
        << "\"a\"\"b\" c" << QStringList{"a\"b", "c", e, e, e, e, e};
    QTest::newRow("quoted empty field counts") << "\"\" b" << QStringList{e, "b", e, e, e, e, e};
    QTest::newRow("unclosed quote runs to the end")
        << "a \"b c" << QStringList{"a", "b c", e, e, e, e, e};
    QTest::newRow("text after a closing quote starts a field")
        << "\"a\"b" << QStringList{"a", "b", e, e, e, e, e};
    QTest::newRow("quote inside an unquoted field")
        << "a\"b c" << QStringList{"a\"b", "c", e, e, e, e, e};
    QTest::newRow("more than seven: the rest ignored")
        << "1 2 3 4 5 6 7 8 9" << QStringList{"1", "2", "3", "4", "5", "6", "7"};
  }
  void splitFields() {
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    QCOMPARE(ProviderListParser::splitFields(line), fields);
  }

  void splitLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("nothing") << "" << QStringList{};
    QTest::newRow("CR LF, last line unterminated") << "a\r\nb" << QStringList{"a", "b"};
    QTest::newRow("LF and CR") << "a\nb\rc\r\n" << QStringList{"a", "b", "c"};
    QTest::newRow("empty lines kept") << "a\r\n\r\nb\r\n" << QStringList{"a", "", "b"};
  }
  void splitLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(ProviderListParser::splitLines(text), lines);
  }

  void buildInsert_data() {
    QTest::addColumn<QStringList>("fields");  // scrambled as given; "!" marks a raw field
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("statement");
    const auto s = [](const char *t) { return ScrambleText(QString::fromUtf8(t)); };
    const QString head = QStringLiteral(
        "insert into smtpservers(server_name,host,port,login,email_type, domain_name,[memo]) "
        "values(");
    QTest::newRow("full line") << QStringList{s("QQ"), s("smtp.qq.com"), s("465"),   s("true"),
                                              s("1"),  s("qq.com"),      s("授权码")}
                               << int(ProviderListParser::Verdict::Insert)
                               << head +
                                      QStringLiteral("'%1','%2',465,true,1,'%3','%4')")
                                          .arg(s("QQ"), s("smtp.qq.com"), s("qq.com"), s("授权码"));
    QTest::newRow("quote in a raw field doubled")
        << QStringList{"a'b", s("h"), s("25"), s("0"), s("2"), "", ""}
        << int(ProviderListParser::Verdict::Insert)
        << head + QStringLiteral("'a''b','%1',25,0,2,'','')").arg(s("h"));
    QTest::newRow("port not a number") << QStringList{s("n"), s("h"), s("25a"), s("1"), s("1")}
                                       << int(ProviderListParser::Verdict::Skip) << QString();
    QTest::newRow("port not hex") << QStringList{s("n"), s("h"), "00ZZ", s("1"), s("1")}
                                  << int(ProviderListParser::Verdict::Skip) << QString();
    QTest::newRow("port empty") << QStringList{s("n"), s("h"), "", s("1"), s("1")}
                                << int(ProviderListParser::Verdict::Skip) << QString();
    QTest::newRow("type not a number") << QStringList{s("n"), s("h"), s("25"), s("1"), s("x")}
                                       << int(ProviderListParser::Verdict::Skip) << QString();
    QTest::newRow("login not hex ends the list")
        << QStringList{s("n"), s("h"), s("25"), "XYZW", s("1")}
        << int(ProviderListParser::Verdict::Stop) << QString();
    QTest::newRow("type not hex ends the list")
        << QStringList{s("n"), s("h"), s("25"), s("1"), "1G00"}
        << int(ProviderListParser::Verdict::Stop) << QString();
    QTest::newRow("login unchecked")
        << QStringList{s("n"), s("h"), s("25"), s("yes"), s("1")}
        << int(ProviderListParser::Verdict::Insert)
        << head + QStringLiteral("'%1','%2',25,yes,1,'','')").arg(s("n"), s("h"));
  }
  void buildInsert() {
    QFETCH(QStringList, fields);
    QFETCH(int, verdict);
    QFETCH(QString, statement);
    while (fields.size() < ProviderListParser::kFieldCount) fields << QString();
    QString built;
    QCOMPARE(int(ProviderListParser::buildInsert(fields, built)), verdict);
    if (verdict == int(ProviderListParser::Verdict::Insert)) QCOMPARE(built, statement);
  }
};

QTEST_APPLESS_MAIN(TestProviderListParser)
#include "tst_provider_list_parser.moc"
