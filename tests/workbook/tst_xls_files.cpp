// The .xls reader at the file level: container streams, refusals with their reasons, the old
// single-sheet files, and damaged workbooks that must fail cleanly.
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "BiffBuilder.h"
#include "XlsReading.h"
#include "workbook/WorkbookErrors.h"
#include "workbook/XlsReader.h"

using namespace biffbuild;

namespace {
constexpr int kSst = 0x00FC, kContinue = 0x003C, kString = 0x0207;
}  // namespace

class TestXlsFiles : public QObject {
  Q_OBJECT
 private slots:
  void streamNames_data();
  void streamNames();
  void refusals_data();
  void refusals();
  void rawBiffFiles_data();
  void rawBiffFiles();
  void damagedStreamsFailCleanly();
};

void TestXlsFiles::streamNames_data() {
  QTest::addColumn<QStringList>("names");
  QTest::newRow("Workbook") << QStringList{QStringLiteral("Workbook")};
  QTest::newRow("WORKBOOK") << QStringList{QStringLiteral("WORKBOOK")};
  QTest::newRow("Book") << QStringList{QStringLiteral("Book")};
  QTest::newRow("BOOK") << QStringList{QStringLiteral("BOOK")};
  // Workbook wins over a left-over Book stream (here unreadable).
  QTest::newRow("Workbook beside Book")
      << QStringList{QStringLiteral("Book"), QStringLiteral("Workbook")};
}

void TestXlsFiles::streamNames() {
  QFETCH(QStringList, names);
  const QByteArray stream = OneSheet({}, Number(0, 0, 8));
  QList<QPair<QString, QByteArray>> streams;
  for (const QString &n : names)
    streams << qMakePair(n, n == u"Book" && names.size() > 1 ? QByteArray("junk") : stream);
  const Reading r = ReadStreams(streams);
  QVERIFY2(r.ok, qPrintable(r.reason));
  QCOMPARE(Cells(r.sheets[0]), QStringLiteral("1,1=8"));
}

void TestXlsFiles::refusals_data() {
  QTest::addColumn<Streams>("streams");
  QTest::addColumn<QString>("reason");
  const QString wb = QStringLiteral("Workbook");
  const QByteArray good = OneSheet({}, Number(0, 0, 1));
  QTest::newRow("FILEPASS") << Streams{{wb,
                                        OneSheet(Record(0x002F, U16(1) + QByteArray(52, 'k')), {})}}
                            << ReasonPasswordProtected();
  QTest::newRow("encrypted package")
      << Streams{{QStringLiteral("EncryptionInfo"), QByteArray(64, 'i')},
                 {QStringLiteral("EncryptedPackage"), QByteArray(512, 'p')}}
      << ReasonPasswordProtected();
  QTest::newRow("Word document") << Streams{{QStringLiteral("WordDocument"), QByteArray(512, 'w')}}
                                 << ReasonNotAWorkbook();
  QTest::newRow("BIFF4 in OLE2") << Streams{{wb, Record(0x0409, U16(0) + U16(0x10)) +
                                                     Record(0x000A, {})}}
                                 << ReasonUnsupportedVersion();
  QTest::newRow("unknown BIFF version")
      << Streams{{wb, Record(0x0809, U16(0x0400) + U16(5)) + Record(0x000A, {})}}
      << ReasonUnsupportedVersion();
  QTest::newRow("empty stream") << Streams{{wb, {}}} << ReasonDamaged();
  QTest::newRow("no BOF") << Streams{{wb, Number(0, 0, 1)}} << ReasonDamaged();
  QTest::newRow("no sheets") << Streams{{wb, OneSheet({}, {}).left(20) + Record(0x000A, {})}}
                             << ReasonDamaged();
  QTest::newRow("cut in a sheet") << Streams{{wb, good.left(good.size() - 6)}} << ReasonDamaged();
  QTest::newRow("cut in the globals") << Streams{{wb, good.left(30)}} << ReasonDamaged();
  QByteArray badOffset = good;
  badOffset.replace(badOffset.indexOf(QByteArray::fromHex("8500")) + 4, 4, U32(0x7FFFFFFF));
  QTest::newRow("sheet offset past the end") << Streams{{wb, badOffset}} << ReasonDamaged();
  QByteArray notBof = good;
  notBof.replace(notBof.indexOf(QByteArray::fromHex("8500")) + 4, 4, U32(2));
  QTest::newRow("sheet offset not at a BOF") << Streams{{wb, notBof}} << ReasonDamaged();
  QByteArray atGlobals = good;
  atGlobals.replace(atGlobals.indexOf(QByteArray::fromHex("8500")) + 4, 4, U32(0));
  QTest::newRow("sheet offset at the globals") << Streams{{wb, atGlobals}} << ReasonDamaged();
  // Two sheets on one substream: every further sheet would parse the same bytes again.
  QByteArray shared = WorkbookStream({}, {Sheet{QStringLiteral("a"), Number(0, 0, 1)},
                                          Sheet{QStringLiteral("b"), Number(0, 0, 2)}});
  const int first = int(shared.indexOf(QByteArray::fromHex("8500")));
  const int second = int(shared.indexOf(QByteArray::fromHex("8500"), first + 4));
  shared.replace(second + 4, 4, shared.mid(first + 4, 4));
  QTest::newRow("two sheets at one offset") << Streams{{wb, shared}} << ReasonDamaged();
}

void TestXlsFiles::refusals() {
  QFETCH(Streams, streams);
  QFETCH(QString, reason);
  const Reading r = ReadStreams(streams);
  QVERIFY(!r.ok);
  QCOMPARE(r.reason, reason);
  QVERIFY(r.sheets.empty());
}

// The rule of tests/workbook/xls/make_long_strings.py, which wrote long_strings.xls.
void TestXlsFiles::rawBiffFiles_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("cells");  // empty: refused with the reason
  QTest::addColumn<QString>("reason");
  auto bof = [](int type, int kind) { return Record(type, U16(0) + U16(kind) + U16(0)); };
  const QByteArray eof = Record(0x000A, {});
  auto label8 = [](int type, int row, int col, const QByteArray &bytes) {
    return Record(type, U16(row) + U16(col) + U16(0) + U16(int(bytes.size())) + bytes);
  };
  // BIFF3: formats by order (the second a date), XFs pointing at them, cells of every kind.
  const QByteArray biff3 =
      bof(0x0209, 0x10) + Record(0x0042, U16(1252)) + Record(0x001E, U8(7) + "General") +
      Record(0x001E, U8(10) + "dd.mm.yyyy") + Record(0x0243, U8(0) + U8(0) + QByteArray(10, '\0')) +
      Record(0x0243, U8(0) + U8(1) + QByteArray(10, '\0')) + label8(0x0204, 0, 0, "Caf\xE9") +
      Number(1, 0, 45366, 1) + Rk(1, 1, (7u << 2) | 2) +
      Record(0x0206, U16(2) + U16(0) + U16(0) + Tagged(0, 0) + U16(0) + U16(0)) +
      Record(0x0207, U16(2) + "ok") + eof;
  QTest::newRow("BIFF3 worksheet")
      << biff3 << QStringLiteral("1,1=Café;2,1=2024-03-15;2,2=7;3,1=ok") << QString();
  // BIFF2: attribute bytes instead of XF indices; the second byte names the format.
  const QByteArray attr = U8(0) + U8(1) + U8(0);
  const QByteArray biff2 =
      bof(0x0009, 0x10) + Record(0x001E, U8(1) + "0") + Record(0x001E, U8(8) + "yyyy-m-d") +
      Record(0x0002, U16(0) + U16(0) + U8(0) + U8(0) + U8(0) + U16(42)) +
      Record(0x0003, U16(0) + U16(1) + attr + F64(45366)) +
      Record(0x0004, U16(1) + U16(0) + U8(0) + U8(0) + U8(0) + U8(3) + "abc") +
      Record(0x0005, U16(1) + U16(1) + U8(0) + U8(0) + U8(0) + U8(1) + U8(0)) +
      Record(0x0006, U16(2) + U16(0) + U8(0) + U8(0) + U8(0) + Tagged(0, 0) + U8(0) + U8(0)) +
      Record(0x0007, U8(2) + "hi") + eof;
  QTest::newRow("BIFF2 worksheet")
      << biff2 << QStringLiteral("1,1=42;1,2=2024-03-15;2,1=abc;2,2=TRUE;3,1=hi") << QString();
  // A formula's string record shorter than a cell position, at the very end of the stream
  // (found by fuzzing; fuzz/xls-seeds/biff2_short_string.biff replays it under ASan).
  QTest::newRow("BIFF2 string record at the end, empty")
      << bof(0x0009, 0x10) + Record(0x0007, QByteArray()) << QString() << ReasonDamaged();
  QTest::newRow("bare BIFF8 stream")
      << OneSheet({}, Number(0, 0, 3)) << QStringLiteral("1,1=3") << QString();
  QTest::newRow("BIFF4 workbook") << bof(0x0409, 0x100) + eof << QString()
                                  << ReasonUnsupportedVersion();
  QTest::newRow("BIFF3 with FILEPASS")
      << bof(0x0209, 0x10) + Record(0x002F, U32(0)) + eof << QString() << ReasonPasswordProtected();
  QTest::newRow("BIFF3 cut short") << biff3.left(biff3.size() - 8) << QString() << ReasonDamaged();
  QTest::newRow("text file") << QByteArray("name,mail\n") << QString() << ReasonNotAWorkbook();
}

void TestXlsFiles::rawBiffFiles() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, cells);
  QFETCH(QString, reason);
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("工资表.xls")));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  file.close();
  const Reading r = ReadFile(file.fileName());
  if (cells.isEmpty()) {
    QVERIFY(!r.ok);
    QCOMPARE(r.reason, reason);
    return;
  }
  QVERIFY2(r.ok, qPrintable(r.reason));
  QCOMPARE(int(r.sheets.size()), 1);
  QCOMPARE(Cells(r.sheets[0]), cells);
  if (!bytes.startsWith(QByteArray::fromHex("0908")))
    QCOMPARE(r.sheets[0].name(), QStringLiteral("工资表"));  // Excel's name for such a sheet
}

void TestXlsFiles::damagedStreamsFailCleanly() {
  // Cut and scrambled variants of a workbook with every kind of record: each must be read or
  // refused as damaged, never crash, hang or allocate wildly (run under ASan in CI).
  const QByteArray sst =
      Record(kSst,
             U32(3) + U32(3) + UnicodeString(QStringLiteral("姓名")) + U16(6) + U8(0) + "abc") +
      Record(kContinue, U8(1) + Utf16(QStringLiteral("def")) + UnicodeString(QStringLiteral("e")));
  const QByteArray cells = LabelSst(0, 0, 0) + LabelSst(0, 1, 1) + Number(1, 0, 3.5, 1) +
                           Rk(1, 1, (9u << 2) | 2) + Formula(2, 0, Tagged(0, 0)) +
                           Record(kString, UnicodeString(QStringLiteral("s"))) +
                           Record(0x00E5, U16(1) + U16(3) + U16(4) + U16(0) + U16(1));
  const QByteArray stream =
      OneSheet(Format(170, QStringLiteral("yyyy-mm-dd")) + Xf(0) + Xf(170) + sst, cells);
  QTemporaryDir dir;
  QRandomGenerator random(20240315);
  QStringList seen;
  for (int i = 0; i < 160; ++i) {
    QByteArray variant = stream;
    if (i < 40) {
      variant.truncate(variant.size() * i / 40);
    } else {
      for (int k = 0; k < 1 + i % 4; ++k)
        variant[random.bounded(int(variant.size()))] = char(random.bounded(256));
    }
    const QString path = dir.filePath(QStringLiteral("v%1.xls").arg(i));
    QVERIFY(WriteCompoundFile(path, {{QStringLiteral("Workbook"), variant}}));
    const Reading r = ReadFile(path);
    // Read from memory (as the fuzz target does), the same file gives the same result.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    std::vector<Worksheet> fromMemory;
    QString memoryReason;
    QCOMPARE(
        ReadXlsWorkbookBytes(bytes.constData(), size_t(bytes.size()), fromMemory, memoryReason),
        r.ok);
    QCOMPARE(memoryReason, r.reason);
    QCOMPARE(fromMemory.size(), r.sheets.size());
    if (r.ok) QCOMPARE(Cells(fromMemory[0]), Cells(r.sheets[0]));
    if (!r.ok) {
      QVERIFY2(r.reason == ReasonDamaged() || r.reason == ReasonUnsupportedVersion() ||
                   r.reason == ReasonPasswordProtected(),
               qPrintable(r.reason));
      QVERIFY(r.sheets.empty());
    }
    seen << (r.ok ? QStringLiteral("read") : QStringLiteral("refused"));
  }
  QVERIFY(seen.contains(QStringLiteral("read")));
  QVERIFY(seen.contains(QStringLiteral("refused")));
}

QTEST_GUILESS_MAIN(TestXlsFiles)
#include "tst_xls_files.moc"
