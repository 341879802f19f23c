#include <zip.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "PackageWriter.h"
#include "SheetDump.h"
#include "workbook/WorkbookAccess.h"
#include "workbook/WorkbookErrors.h"

// OpenWorkbook and the operations callers read a workbook through: 1-based sheets, rows
// and columns on the active worksheet, used ranges, merged areas, the failure messages.
class TestOpenWorkbook : public QObject {
  Q_OBJECT

  std::unique_ptr<SpreadsheetInstance> open(const QString &path) {
    std::unique_ptr<SpreadsheetInstance> book;
    QString message;
    if (!OpenWorkbook(path, book, message)) qWarning("%s", qPrintable(message));
    return book;
  }

  static QString copyTo(const QTemporaryDir &dir, const QString &fixture, const QString &name) {
    const QString target = dir.filePath(name);
    QFile::copy(FixturePath(fixture), target);
    return target;
  }

 private slots:
  void missingFile() {
    std::unique_ptr<SpreadsheetInstance> book =
        std::make_unique<SpreadsheetInstance>(QString(), std::vector<Worksheet>());
    QString message;
    QVERIFY(!OpenWorkbook(QStringLiteral("/nonexistent/工资表.xlsx"), book, message));
    QCOMPARE(message, QStringLiteral("要打开的Excel文件不存在!"));
    QVERIFY(!book);
  }

  void failuresNameTheFileAndTheReason_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a CSV text file") << QByteArray("姓名,邮箱\n张三,a@b.c\n") << ReasonCsvFile();
    QTest::newRow("a text file") << QByteArray("姓名 邮箱\n张三 a@b.c\n") << ReasonNotAWorkbook();
    QTest::newRow("an empty file") << QByteArray() << ReasonNotAWorkbook();
    QFile fixture(FixturePath(QStringLiteral("payroll.xlsx")));
    fixture.open(QIODevice::ReadOnly);
    const QByteArray whole = fixture.readAll();
    QTest::newRow("an .xlsx cut in half") << whole.left(whole.size() / 2) << ReasonDamaged();
    QByteArray flipped = whole;
    const qsizetype sheetData = whole.indexOf("xl/worksheets/sheet1.xml") + 40;
    for (qsizetype i = sheetData; i < sheetData + 300; ++i)
      flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    QTest::newRow("an .xlsx with damaged compressed data") << flipped << ReasonDamaged();
  }
  void failuresNameTheFileAndTheReason() {
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("工资表.xlsx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    std::unique_ptr<SpreadsheetInstance> book;
    QString message;
    QVERIFY(!OpenWorkbook(path, book, message));
    QCOMPARE(message, QStringLiteral("打开文件:") + path + QStringLiteral("出错!") + reason);
    QVERIFY(!book);
  }

  void aZipWithoutWorkbookIsNoWorkbook() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("letter.docx"));
    QVERIFY(WritePackage(path, {{QStringLiteral("word/document.xml"), "<document/>"}}));
    std::unique_ptr<SpreadsheetInstance> book;
    QString message;
    QVERIFY(!OpenWorkbook(path, book, message));
    QVERIFY(message.endsWith(ReasonNotAWorkbook()));
  }

  void aPasswordOnTheZipEntriesIsReported() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locked.xlsx"));
    QVERIFY(QFile::copy(FixturePath(QStringLiteral("payroll.xlsx")), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), 0, &error);
    QVERIFY(z);
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i)
      QCOMPARE(zip_file_set_encryption(z, static_cast<zip_uint64_t>(i), ZIP_EM_AES_256, "secret"),
               0);
    QCOMPARE(zip_close(z), 0);
    std::unique_ptr<SpreadsheetInstance> book;
    QString message;
    QVERIFY(!OpenWorkbook(path, book, message));
    QVERIFY2(message.endsWith(ReasonPasswordProtected()), qPrintable(message));
  }

  void formatByContentNotByExtension() {
    QTemporaryDir dir;
    auto book = open(copyTo(dir, QStringLiteral("payroll.xlsx"), QStringLiteral("工资表.xls")));
    QVERIFY(book);
    QCOMPARE(book->cellText(4, 4), QStringLiteral("zhangsan@example.com"));
  }

  void usedRanges_data() {
    QTest::addColumn<int>("sheet");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("lastRow");
    QTest::addColumn<int>("lastColumn");
    QTest::newRow("empty sheet: 1 x 1") << 1 << 1 << 1 << 1 << 1;
    QTest::newRow("B3 spanning 10 x 4 ends at row 12, column 5") << 2 << 10 << 4 << 12 << 5;
    QTest::newRow("merged areas count, even an empty one") << 4 << 7 << 8 << 7 << 8;
  }
  void usedRanges() {
    QFETCH(int, sheet);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(int, lastRow);
    QFETCH(int, lastColumn);
    auto book = open(FixturePath(QStringLiteral("edge_cases.xlsx")));
    QVERIFY(book);
    book->activate(sheet);
    QCOMPARE(book->usedRowCount(), rows);
    QCOMPARE(book->usedColumnCount(), columns);
    QCOMPARE(book->usedLastRow(), lastRow);
    QCOMPARE(book->usedLastColumn(), lastColumn);
    if (sheet == 1) QCOMPARE(book->cellText(1, 1), QString());
  }

  void mergedBlockOfTwoByThree() {
    auto book = open(FixturePath(QStringLiteral("edge_cases.xlsx")));
    QVERIFY(book);
    book->activate(4);
    QCOMPARE(book->activeSheetName(), QStringLiteral("Merged"));
    for (int r = 2; r <= 3; ++r)
      for (int c = 2; c <= 4; ++c) {
        QVERIFY(book->cellMerged(r, c));
        QCOMPARE(book->mergeAreaRows(r, c), 2);
        QCOMPARE(book->mergeAreaColumns(r, c), 3);
        QCOMPARE(book->cellText(r, c),
                 r == 2 && c == 2 ? QStringLiteral("block value") : QString());
      }
    QVERIFY(!book->cellMerged(4, 2));
    QCOMPARE(book->mergeAreaRows(4, 2), 1);
    QCOMPARE(book->mergeAreaColumns(4, 2), 1);
  }

  void hiddenSheetsAreCountedAndActivated() {
    auto book = open(FixturePath(QStringLiteral("many_sheets.xlsx")));
    QVERIFY(book);
    QCOMPARE(book->worksheetCount(), 5);
    QCOMPARE(book->worksheetName(3), QStringLiteral("It's"));
    book->activate(4);
    QCOMPARE(book->activeSheetName(), QStringLiteral("Very hidden"));
    QCOMPARE(book->cellText(1, 1), QStringLiteral("sheet Very hidden"));
    book->activate(6);  // out of range: the active sheet stays
    QCOMPARE(book->activeIndex(), 4);
  }

  void numbersReadWithTheLocalesDecimalSeparator() {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto book = open(FixturePath(QStringLiteral("edge_cases.xlsx")));
    QLocale::setDefault(previous);
    QVERIFY(book);
    book->activate(3);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString text = book->cellText(1, 2);
    QLocale::setDefault(previous);
    QCOMPARE(text, QStringLiteral("1234,5"));
  }

  void quitEmptiesTheReference() {
    auto book = open(FixturePath(QStringLiteral("payroll.xlsx")));
    QVERIFY(book);
    CloseWorkbook(book.get());
    QuitWorkbookApp(book);
    QVERIFY(!book);
    QuitWorkbookApp(book);  // an empty reference is left alone
    QVERIFY(!book);
  }
};

QTEST_GUILESS_MAIN(TestOpenWorkbook)
#include "tst_open_workbook.moc"
