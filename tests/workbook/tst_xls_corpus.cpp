// Reads every .xls of the real-world corpus and compares it with the corpus's reference reading.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>
#include <cmath>

#include "workbook/CellText.h"
#include "support/TestPaths.h"
#include "workbook/WorkbookErrors.h"
#include "workbook/XlsReader.h"

namespace {
QJsonObject LoadReference(const QString &file) {
  QFile f(CorpusDir() + QStringLiteral("/ref/") + file + QStringLiteral(".json"));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(f.readAll()).object();
}

// The reading to compare with: the primary one, or the fallback for files it could not read.
QJsonObject UsableReference(const QJsonObject &top) {
  if (top.value(QStringLiteral("ok")).toBool()) return top;
  return top.value(QStringLiteral("fallback_reference")).toObject();
}

QString Box(int r1, int c1, int r2, int c2) {
  return QStringLiteral("%1,%2:%3,%4").arg(r1).arg(c1).arg(r2).arg(c2);
}

// Differences between one sheet and its reference, at most a few, as readable lines.
QStringList CompareSheet(const Worksheet &sheet, const QJsonObject &ref) {
  QStringList out;
  if (sheet.name() != ref.value(QStringLiteral("name")).toString())
    out << QStringLiteral("name %1 vs %2").arg(sheet.name(), ref.value(QStringLiteral("name")).toString());
  if (sheet.hidden() != ref.value(QStringLiteral("hidden")).toBool())
    out << QStringLiteral("hidden differs");

  QStringList refMerges, ourMerges;
  int r1 = INT_MAX, c1 = INT_MAX, r2 = 0, c2 = 0;
  auto widen = [&](int a, int b, int c, int d) {
    r1 = std::min(r1, a), c1 = std::min(c1, b), r2 = std::max(r2, c), c2 = std::max(c2, d);
  };
  for (const QJsonValue &m : ref.value(QStringLiteral("merged")).toArray()) {
    const QJsonArray a = m.toArray();
    refMerges << Box(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
    widen(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
  }
  for (const MergeArea &m : sheet.merges()) ourMerges << Box(m.top, m.left, m.bottom(), m.right());
  refMerges.sort();
  ourMerges.sort();
  if (refMerges != ourMerges)
    out << QStringLiteral("merges %1 vs %2").arg(ourMerges.join(u' '), refMerges.join(u' '));

  const QJsonArray longs = ref.value(QStringLiteral("long_strings")).toArray();
  QHash<quint64, QString> serials;
  for (const QJsonValue &v : ref.value(QStringLiteral("date_serials")).toArray()) {
    const QJsonArray a = v.toArray();
    serials.insert(quint64(a[0].toInt()) << 32 | quint32(a[1].toInt()), a[2].toString());
  }
  auto key = [](int r, int c) { return quint64(r) << 32 | quint32(c); };

  const bool truncated = ref.value(QStringLiteral("truncated")).toBool();
  QSet<quint64> refCells;
  for (const QJsonValue &v : ref.value(QStringLiteral("cells")).toArray()) {
    const QJsonArray a = v.toArray();
    const int row = a[0].toInt(), col = a[1].toInt();
    const QString type = a[2].toString(), text = a[3].toString();
    if (type == u"s" && text.isEmpty()) continue;  // an empty string is no value here
    refCells.insert(key(row, col));
    widen(row, col, row, col);
    const CellValue value = sheet.value(row, col);
    const QString ours = CellValueText(sheet, value, CellTextStyle::Neutral);
    bool same = false;
    if (type == u"n") {
      const double expected = text.toDouble();
      same = (value.type == CellValue::Type::Number || value.type == CellValue::Type::Currency) &&
             std::abs(value.number - expected) <= 1e-12 * std::max(1.0, std::abs(expected));
    } else if (type == u"d") {
      const QString serial = serials.value(key(row, col));
      same = value.type == CellValue::Type::Date &&
             (serial.isEmpty() ? ours == text.left(10) || ours == QString(text).replace(u'T', u' ')
                               : std::abs(value.number - serial.toDouble()) < 1e-9);
    } else if (type == u"b") {
      same = value.type == CellValue::Type::Boolean && ours == text;
    } else if (type == u"e") {
      same = value.type == CellValue::Type::Error && ours == text;
    } else {
      // A long string is cut in the reference's cells; its length and digest stand for it.
      same = value.type == CellValue::Type::Text && ours.left(1000) == text;
      for (const QJsonValue &l : longs) {
        const QJsonArray a = l.toArray();
        if (a[0].toInt() == row && a[1].toInt() == col)
          same = value.type == CellValue::Type::Text && ours.toUcs4().size() == a[2].toInt() &&
                 QCryptographicHash::hash(ours.toUtf8(), QCryptographicHash::Sha256).toHex() ==
                     a[3].toString().toLatin1();
      }
    }
    if (!same && out.size() < 40)
      out << QStringLiteral("cell %1,%2 ours %3 '%4' vs %5 '%6'")
                 .arg(row).arg(col).arg(int(value.type)).arg(ours.left(80), type, text.left(80));
  }
  if (!truncated) {
    for (const Worksheet::Entry &e : sheet.cells())
      if (!refCells.contains(key(e.row, e.column)) && out.size() < 40)
        out << QStringLiteral("extra cell %1,%2 '%3'").arg(e.row).arg(e.column)
                   .arg(CellValueText(sheet, e.value, CellTextStyle::Neutral).left(80));
  } else {
    const QJsonObject d = ref.value(QStringLiteral("value_dimension")).toObject();
    if (!d.isEmpty())
      widen(d[QStringLiteral("min_row")].toInt(), d[QStringLiteral("min_col")].toInt(),
            d[QStringLiteral("max_row")].toInt(), d[QStringLiteral("max_col")].toInt());
  }
  if (r2 == 0) r1 = c1 = r2 = c2 = 1;
  const QString ourBox = Box(sheet.usedFirstRow(), sheet.usedFirstColumn(), sheet.usedLastRow(),
                             sheet.usedLastColumn());
  if (ourBox != Box(r1, c1, r2, c2))
    out << QStringLiteral("used range %1 vs %2").arg(ourBox, Box(r1, c1, r2, c2));
  return out;
}
}  // namespace

class TestXlsCorpus : public QObject {
  Q_OBJECT
 private slots:
  void readsLikeReference_data();
  void readsLikeReference();
  void refusesCleanly_data();
  void refusesCleanly();
};

// Differences from the reference that we keep, per file: the difference lines and why. The
// fallback references went through LibreOffice, which recalculates formulas and writes booleans
// as numbers; the records say otherwise.
struct KeptDifference {
  QStringList patterns;  // of the difference lines; none: the whole file is refused
  const char *reason;
};
static const QString kFileNamedSheet = QStringLiteral("^sheet 1: name .* vs Sheet 1$");
static const char *const kFileNamedReason =
    "a BIFF2-4 file holds no sheet name: Excel names its sheet after the file, so do we";
static const QHash<QString, KeptDifference> &KeptDifferences() {
  static const QHash<QString, KeptDifference> kept = {
      {QStringLiteral("calamine__gh548_incorrect_sst_unique_count.xls"),
       {{QStringLiteral("^sheet 5: cell 13,2[5-8] ours 3 'TRUE' vs n '1'$"),
         QStringLiteral("^sheet 7: merges 3,11:3,14 vs 3,11:3,14 3,7:3,10$")},
        "cached boolean formula results; the sheet's one MERGEDCELLS record holds one block"}},
      {QStringLiteral("xlrd__invalid_formula.xls"),
       {{QStringLiteral("^sheet 1: cell 1,1 ours 5 '#REF!' vs e '#VALUE!'$")},
        "the cached formula result is #REF!; LibreOffice recalculated it"}},
      {QStringLiteral("sheetjs__LONumbers.xls"),
       {{QStringLiteral("^sheet 1: cell (15|16|17|24|25),([2-9]|10) ours 2 ")},
        "formats of elapsed time alone ([HH], [H], [S], [SS]) read as times; xlrd reads numbers"}},
      {QStringLiteral("poi__testEXCEL_3.xls"), {{kFileNamedSheet}, kFileNamedReason}},
      {QStringLiteral("poi__testEXCEL_4.xls"), {{kFileNamedSheet}, kFileNamedReason}},
      {QStringLiteral("sheetjs__crlf_CRLFX5_2.XLS"), {{kFileNamedSheet}, kFileNamedReason}},
      {QStringLiteral("xlrd__biff4_no_format_no_window2.xls"), {{kFileNamedSheet}, kFileNamedReason}},
      {QStringLiteral("poi__clusterfuzz-testcase-minimized-POIHSSFFuzzer-4651309315719168.xls"),
       {{}, "its sector allocation table is inconsistent: libgsf refuses it as damaged"}},
  };
  return kept;
}

void TestXlsCorpus::readsLikeReference_data() {
  QTest::addColumn<QString>("file");
  if (CorpusDir().isEmpty()) {
    QTest::newRow("no corpus") << QString();
    return;
  }
  const QStringList files = QDir(CorpusDir() + QStringLiteral("/xls")).entryList(QDir::Files, QDir::Name);
  for (const QString &file : files) {
    const QJsonObject ref = UsableReference(LoadReference(file));
    if (ref.isEmpty()) continue;
    QTest::newRow(file.toUtf8().constData()) << file;
  }
}

void TestXlsCorpus::readsLikeReference() {
  KORVANE_REQUIRE_CORPUS();
  QFETCH(QString, file);
  const QJsonObject top = LoadReference(file);
  const QJsonObject ref = UsableReference(top);
  const KeptDifference kept = KeptDifferences().value(file, KeptDifference{{}, nullptr});
  if (kept.reason && kept.patterns.isEmpty()) QSKIP(kept.reason);

  std::vector<Worksheet> sheets;
  QString reason;
  QVERIFY2(ReadXlsWorkbook(CorpusDir() + QStringLiteral("/xls/") + file, sheets, reason),
           qPrintable(reason));
  // The reference leaves out chart and macro sheets; we keep them as empty sheets.
  QSet<QString> ignored;
  for (const QJsonValue &v : top.value(QStringLiteral("ignored_sheets")).toArray())
    ignored.insert(v.toObject().value(QStringLiteral("name")).toString());
  std::vector<const Worksheet *> compared;
  for (const Worksheet &s : sheets)
    if (!ignored.contains(s.name())) compared.push_back(&s);

  const QJsonArray refSheets = ref.value(QStringLiteral("sheets")).toArray();
  QCOMPARE(int(compared.size()), int(refSheets.size()));
  QStringList differences;
  for (int i = 0; i < refSheets.size(); ++i)
    for (const QString &d : CompareSheet(*compared[size_t(i)], refSheets[i].toObject()))
      differences << QStringLiteral("sheet %1: %2").arg(i + 1).arg(d);
  for (const QString &pattern : kept.patterns) {
    const QRegularExpression re(pattern);
    QVERIFY2(differences.removeIf([&](const QString &d) { return re.match(d).hasMatch(); }) > 0,
             qPrintable(pattern));
  }
  QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
}

void TestXlsCorpus::refusesCleanly_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("reason");
  const QString damaged = ReasonDamaged(), locked = ReasonPasswordProtected();
  QTest::newRow("sector chain loop") << "phpss__oleloop.xls" << damaged;
  QTest::newRow("broken sector table") << "calamine__OOM_alloc3.xls" << damaged;
  QTest::newRow("broken MSAT") << "libxls__xls2csv_ole_ole2_fread_327.xls" << damaged;
  QTest::newRow("fuzzed header") << "poi__clusterfuzz-testcase-minimized-POIHSSFFuzzer-6537773940867072.xls" << damaged;
  QTest::newRow("inconsistent sector table")
      << "poi__clusterfuzz-testcase-minimized-POIHSSFFuzzer-4651309315719168.xls" << damaged;
  QTest::newRow("RC4") << "poi__password.xls" << locked;
  QTest::newRow("RC4 CryptoAPI") << "sheetjs__password_2002_40_basecrypto.xls" << locked;
  QTest::newRow("BIFF5 XOR") << "sheetjs__biff5_password_2002_40_xor.xls" << locked;
}

void TestXlsCorpus::refusesCleanly() {
  KORVANE_REQUIRE_CORPUS();
  QFETCH(QString, file);
  QFETCH(QString, reason);
  std::vector<Worksheet> sheets;
  QString got;
  QVERIFY(!ReadXlsWorkbook(CorpusDir() + QStringLiteral("/xls/") + file, sheets, got));
  QCOMPARE(got, reason);
  QVERIFY(sheets.empty());
}

QTEST_GUILESS_MAIN(TestXlsCorpus)
#include "tst_xls_corpus.moc"
