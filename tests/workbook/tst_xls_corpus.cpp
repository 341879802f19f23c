// Our reading of the real-world .xls files against the reference readings, through the same
// dispatch the program opens workbooks with.
#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include "CorpusReference.h"
#include "support/TestPaths.h"
#include "workbook/WorkbookErrors.h"
#include "workbook/WorkbookFile.h"
#include "workbook/XlsReader.h"

namespace {
// Differences from the reference that we keep, per file: patterns of the difference lines and
// why. Fallback references went through LibreOffice, which recalculates formulas and turns
// booleans into numbers; the records say otherwise.
struct KeptDifference {
  QStringList patterns;
  const char *reason;
};

const QHash<QString, KeptDifference> &KeptDifferences() {
  static const char *const fileNamed =
      "a BIFF2-4 file holds no sheet name: Excel names its one sheet after the file, so do we";
  static const QStringList fileNamedLine = {
      QStringLiteral("^sheets: expected \\[Sheet 1\\], got \\[")};
  static const QHash<QString, KeptDifference> kept = {
      {QStringLiteral("calamine__gh548_incorrect_sst_unique_count.xls"),
       {{QStringLiteral("^sheet \"Booked Appointments Data\": R13C2[5-8]: expected n \"1\", got "
                        "boolean \"TRUE\"$"),
         QStringLiteral("^sheet \"Acute Trust Mapping\": merged ranges: expected 2, got 1$")},
        "cached boolean formula results; the sheet's one MERGEDCELLS record holds one block"}},
      {QStringLiteral("xlrd__invalid_formula.xls"),
       {{QStringLiteral("^sheet \"Sheet1\": R1C1: expected e \"#VALUE!\", got error \"#REF!\"$")},
        "the cached formula result is #REF!; LibreOffice recalculated it"}},
      {QStringLiteral("sheetjs__LONumbers.xls"),
       {{QStringLiteral("^sheet \"Sheet1\": R(15|16|17|24|25)C([2-9]|10): expected n .* got date "),
         QStringLiteral("^sheet \"Sheet1\": R\\d+C\\d+: expected d \"18\\d\\d-")},
        "formats of elapsed time alone ([HH], [S]) read as times; negative serials (dates before "
        "1900, which Excel cannot show) count whole days down from 1899-12-30"}},
      {QStringLiteral("libxls__dates-leap-year-1900-xls.xls"),
       {{QStringLiteral("^sheet \"for_(testing|human_eyes)\": R\\d+C1: expected d "
                        "\"1900-02-28T08:00:00\", got date \"1900-03-01 08:00:00\"$")},
        "serial 60.33 is Excel's phantom 1900-02-29 08:00: shown as the next real day"}},
      {QStringLiteral("calamine__empty-string.xls"),
       {{QStringLiteral("^sheet \"Sheet1\": used range: expected R1C1:R1C2, got R1C2:R1C2$")},
        "A1 holds an empty string, which is no value: the used range starts at B1"}},
      {QStringLiteral("sheetjs__BlankSheetTypes.xls"),
       {{QStringLiteral("^sheets: expected \\[Sheet1, Dialog1\\], got \\[Sheet1\\]$")},
        "a dialog sheet is no worksheet (left out as in .xlsx files)"}},
      {QStringLiteral("poi__testEXCEL_3.xls"), {fileNamedLine, fileNamed}},
      {QStringLiteral("poi__testEXCEL_4.xls"), {fileNamedLine, fileNamed}},
      {QStringLiteral("sheetjs__crlf_CRLFX5_2.XLS"), {fileNamedLine, fileNamed}},
      {QStringLiteral("xlrd__biff4_no_format_no_window2.xls"), {fileNamedLine, fileNamed}},
  };
  return kept;
}

// Files the reference reads that we refuse, and why.
const QHash<QString, QString> &KeptRefusals() {
  static const QHash<QString, QString> kept = {
      {QStringLiteral("poi__clusterfuzz-testcase-minimized-POIHSSFFuzzer-4651309315719168.xls"),
       QStringLiteral("its sector allocation table is inconsistent: libgsf refuses it as damaged")},
  };
  return kept;
}
}  // namespace

class TestXlsCorpus : public QObject {
  Q_OBJECT
 private slots:
  void readsLikeReference_data();
  void readsLikeReference();
  void refusesWithReason_data();
  void refusesWithReason();
  void decryptsWithPassword_data();
  void decryptsWithPassword();
};

void TestXlsCorpus::readsLikeReference_data() {
  QTest::addColumn<QString>("file");
  if (CorpusDir().isEmpty()) return;
  const QDir dir(CorpusDir() + QStringLiteral("/xls"));
  for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
    QTest::newRow(qPrintable(name)) << name;
}

void TestXlsCorpus::readsLikeReference() {
  KORVANE_REQUIRE_CORPUS();
  QFETCH(QString, file);
  CorpusReference reference;
  QString error;
  QVERIFY2(reference.load(CorpusDir(), QStringLiteral("xls/") + file, error), qPrintable(error));
  std::vector<Worksheet> sheets;
  QString reason;
  const bool read = ReadWorkbookFile(CorpusDir() + QStringLiteral("/xls/") + file, sheets, reason);
  switch (reference.expectation()) {
    case CorpusReference::Expectation::PasswordProtected:
      QVERIFY(!read);
      QCOMPARE(reason, ReasonPasswordProtected());
      return;
    case CorpusReference::Expectation::Refuse:
      // Hostile or broken: refused with a reason, or read; never a crash, a hang or a blow-up.
      if (!read) QVERIFY(!reason.isEmpty());
      return;
    case CorpusReference::Expectation::Read:
      break;
  }
  if (KeptRefusals().contains(file)) {
    QVERIFY(!read);
    QCOMPARE(reason, ReasonDamaged());
    return;
  }
  QVERIFY2(read, qPrintable(reason));
  QStringList differences = reference.compare(sheets);
  const KeptDifference kept = KeptDifferences().value(file, KeptDifference{{}, nullptr});
  for (const QString &pattern : kept.patterns) {
    const QRegularExpression re(pattern);
    differences.removeIf([&](const QString &d) { return re.match(d).hasMatch(); });
  }
  QVERIFY2(differences.isEmpty(), qPrintable(reference.readerName() + QStringLiteral(":\n  ") +
                                             differences.join(QStringLiteral("\n  "))));
}

void TestXlsCorpus::refusesWithReason_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("reason");
  const QString damaged = ReasonDamaged(), locked = ReasonPasswordProtected();
  QTest::newRow("sector chain loop") << "phpss__oleloop.xls" << damaged;
  QTest::newRow("broken sector table") << "calamine__OOM_alloc3.xls" << damaged;
  QTest::newRow("broken MSAT") << "libxls__xls2csv_ole_ole2_fread_327.xls" << damaged;
  QTest::newRow("fuzzed header")
      << "poi__clusterfuzz-testcase-minimized-POIHSSFFuzzer-6537773940867072.xls" << damaged;
  QTest::newRow("inconsistent sector table")
      << "poi__clusterfuzz-testcase-minimized-POIHSSFFuzzer-4651309315719168.xls" << damaged;
  QTest::newRow("RC4") << "poi__password.xls" << locked;
  QTest::newRow("RC4 CryptoAPI") << "sheetjs__password_2002_40_basecrypto.xls" << locked;
  QTest::newRow("BIFF5 XOR") << "sheetjs__biff5_password_2002_40_xor.xls" << locked;
}

void TestXlsCorpus::refusesWithReason() {
  KORVANE_REQUIRE_CORPUS();
  QFETCH(QString, file);
  QFETCH(QString, reason);
  std::vector<Worksheet> sheets;
  QString got;
  QVERIFY(!ReadWorkbookFile(CorpusDir() + QStringLiteral("/xls/") + file, sheets, got));
  QCOMPARE(got, reason);
  QVERIFY(sheets.empty());
}

void TestXlsCorpus::decryptsWithPassword_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("password");
  QTest::newRow("RC4") << "poi__password.xls"
                       << "password";
  QTest::newRow("RC4 CryptoAPI 40-bit") << "sheetjs__password_2002_40_basecrypto.xls"
                                        << "password";
}

void TestXlsCorpus::decryptsWithPassword() {
  // The decryption that opens workbooks encrypted with Excel's default password, here with the
  // password the source project used; the reference read the decrypted file.
  KORVANE_REQUIRE_CORPUS();
  QFETCH(QString, file);
  QFETCH(QString, password);
  CorpusReference reference;
  QString error;
  QVERIFY2(reference.load(CorpusDir(), QStringLiteral("xls/") + file, error), qPrintable(error));
  QCOMPARE(reference.expectation(), CorpusReference::Expectation::PasswordProtected);
  const QString path = CorpusDir() + QStringLiteral("/xls/") + file;
  std::vector<Worksheet> sheets;
  QString reason;
  QVERIFY(!ReadXlsWorkbook(path, sheets, reason, QStringLiteral("not the password")));
  QCOMPARE(reason, ReasonPasswordProtected());
  QVERIFY2(ReadXlsWorkbook(path, sheets, reason, password), qPrintable(reason));
  const QStringList differences = reference.compare(sheets);
  QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QStringLiteral("\n  "))));
}

QTEST_GUILESS_MAIN(TestXlsCorpus)
#include "tst_xls_corpus.moc"
