#include "CorpusReference.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "workbook/CellText.h"
#include "workbook/Worksheet.h"

namespace {
constexpr int kMaxDifferences = 25;
// The reference lists cells only within rows 1-200 × columns 1-50 when "truncated" is set.
constexpr int kCapRows = 200, kCapColumns = 50;

using CellKey = std::pair<int, int>;

struct Box {
  bool any = false;
  int top = 1, left = 1, bottom = 1, right = 1;
  void include(int t, int l, int b, int r) {
    if (!any) {
      *this = Box{true, t, l, b, r};
      return;
    }
    top = std::min(top, t), left = std::min(left, l);
    bottom = std::max(bottom, b), right = std::max(right, r);
  }
};

QString boxText(int t, int l, int b, int r) {
  return QStringLiteral("R%1C%2:R%3C%4").arg(t).arg(l).arg(b).arg(r);
}

bool sameNumber(double a, double b) {
  return a == b || std::fabs(a - b) <= 1e-9 * std::max(std::fabs(a), std::fabs(b));
}

// A reference date text ("2021-01-01T10:00:00", "2021-01-01", "10:10:10.5", "duration:1.5")
// against our serial; true when they name the same moment to the second.
bool sameDate(const QString &ref, double serial, bool date1904) {
  if (ref.startsWith(QLatin1String("duration:"))) return sameNumber(ref.mid(9).toDouble(), serial);
  const QDateTime ours = SerialToDateTime(serial, date1904);
  if (!ref.contains(QLatin1Char('-'))) {
    const QTime t =
        QTime::fromString(ref, ref.contains(QLatin1Char('.')) ? QStringLiteral("HH:mm:ss.zzz")
                                                              : QStringLiteral("HH:mm:ss"));
    return t.isValid() && serial < 1 && std::abs(t.msecsTo(ours.time())) <= 1000;
  }
  QDateTime theirs = ref.contains(QLatin1Char('T'))
                         ? QDateTime::fromString(ref, Qt::ISODateWithMs)
                         : QDateTime(QDate::fromString(ref, Qt::ISODate), QTime(0, 0));
  theirs.setTimeSpec(Qt::UTC);  // ours is UTC: compare the wall-clock times
  return theirs.isValid() && std::abs(theirs.msecsTo(ours)) <= 1000;
}

QString typeName(CellValue::Type t) {
  switch (t) {
    case CellValue::Type::Empty:
      return QStringLiteral("empty");
    case CellValue::Type::Number:
      return QStringLiteral("number");
    case CellValue::Type::Currency:
      return QStringLiteral("currency");
    case CellValue::Type::Date:
      return QStringLiteral("date");
    case CellValue::Type::Boolean:
      return QStringLiteral("boolean");
    case CellValue::Type::Text:
      return QStringLiteral("text");
    case CellValue::Type::Error:
      return QStringLiteral("error");
  }
  return {};
}

// Why our value differs from the reference cell, empty when it matches.
QString cellDifference(const Worksheet &sheet, const CellValue &v, const QString &type,
                       const QString &text, const QJsonArray *longString,
                       QHash<const QChar *, QByteArray> &hashes) {
  const QString ours = CellValueText(sheet, v, CellTextStyle::Neutral);
  const QString got = typeName(v.type) + QStringLiteral(" \"") + ours.left(60) + QLatin1Char('"');
  auto mismatch = [&] {
    return QStringLiteral("expected %1 \"%2\", got %3").arg(type, text.left(60), got);
  };
  if (type == QLatin1String("s")) {
    if (v.type != CellValue::Type::Text) return mismatch();
    const QString mine = sheet.string(v.text);
    if (longString) {
      // One long string may fill thousands of cells: hash each shared text once.
      QByteArray &sha = hashes[mine.constData()];
      if (sha.isEmpty())
        sha = QCryptographicHash::hash(mine.toUtf8(), QCryptographicHash::Sha256).toHex();
      const qsizetype codePoints = mine.toUcs4().size();
      if (codePoints != longString->at(2).toInteger() ||
          sha != longString->at(3).toString().toLatin1())
        return QStringLiteral("long text: expected %1 characters, got %2 (or another text)")
            .arg(longString->at(2).toInteger())
            .arg(codePoints);
      return {};
    }
    return mine == text ? QString() : mismatch();
  }
  if (type == QLatin1String("n")) {
    if (v.type != CellValue::Type::Number && v.type != CellValue::Type::Currency) return mismatch();
    return sameNumber(v.number, text.toDouble()) ? QString() : mismatch();
  }
  if (type == QLatin1String("d")) {
    if (v.type != CellValue::Type::Date) return mismatch();
    return sameDate(text, v.number, sheet.date1904()) ? QString() : mismatch();
  }
  if (type == QLatin1String("b")) {
    if (v.type != CellValue::Type::Boolean) return mismatch();
    return ((v.number != 0) == (text == QLatin1String("TRUE"))) ? QString() : mismatch();
  }
  if (type == QLatin1String("e")) {
    if (v.type != CellValue::Type::Error) return mismatch();
    return sheet.string(v.text) == text ? QString() : mismatch();
  }
  return QStringLiteral("unknown reference type %1").arg(type);
}

void compareSheet(const QJsonObject &ref, const Worksheet &sheet, QStringList &out) {
  const QString where = QStringLiteral("sheet \"%1\": ").arg(sheet.name());
  auto report = [&](const QString &line) {
    if (out.size() < kMaxDifferences) out.append(where + line);
  };
  if (ref.value(QLatin1String("hidden")).toBool() != sheet.hidden())
    report(QStringLiteral("hidden expected %1").arg(ref.value(QLatin1String("hidden")).toBool()));

  // Merged ranges.
  std::vector<std::array<int, 4>> theirMerges, ourMerges;
  for (const QJsonValue &m : ref.value(QLatin1String("merged")).toArray()) {
    const QJsonArray a = m.toArray();
    theirMerges.push_back({a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt()});
  }
  for (const MergeArea &m : sheet.merges())
    ourMerges.push_back({m.top, m.left, m.bottom(), m.right()});
  std::sort(theirMerges.begin(), theirMerges.end());
  std::sort(ourMerges.begin(), ourMerges.end());
  if (theirMerges != ourMerges)
    report(QStringLiteral("merged ranges: expected %1, got %2")
               .arg(theirMerges.size())
               .arg(ourMerges.size()));

  // Used range: values widened by the merged areas.
  Box box;
  const QJsonObject vd = ref.value(QLatin1String("value_dimension")).toObject();
  // A row or column numbered 0 (a writer's fault) exists in no sheet: its cells are skipped below.
  if (!vd.isEmpty())
    box.include(std::max(1, vd.value(QLatin1String("min_row")).toInt()),
                std::max(1, vd.value(QLatin1String("min_col")).toInt()),
                vd.value(QLatin1String("max_row")).toInt(),
                vd.value(QLatin1String("max_col")).toInt());
  for (const auto &m : theirMerges) box.include(m[0], m[1], m[2], m[3]);
  if (box.top != sheet.usedFirstRow() || box.left != sheet.usedFirstColumn() ||
      box.bottom != sheet.usedLastRow() || box.right != sheet.usedLastColumn())
    report(QStringLiteral("used range: expected %1, got %2")
               .arg(boxText(box.top, box.left, box.bottom, box.right),
                    boxText(sheet.usedFirstRow(), sheet.usedFirstColumn(), sheet.usedLastRow(),
                            sheet.usedLastColumn())));

  // Cells.
  std::map<CellKey, QString> escaped;
  for (const QJsonValue &x : ref.value(QLatin1String("xescape_decoded")).toArray()) {
    const QJsonArray a = x.toArray();
    escaped[{a[0].toInt(), a[1].toInt()}] = a[2].toString();
  }
  std::map<CellKey, QJsonArray> longStrings;
  for (const QJsonValue &x : ref.value(QLatin1String("long_strings")).toArray()) {
    const QJsonArray a = x.toArray();
    longStrings[{a[0].toInt(), a[1].toInt()}] = a;
  }
  const bool truncated = ref.value(QLatin1String("truncated")).toBool();
  auto inCap = [&](int r, int c) { return !truncated || (r <= kCapRows && c <= kCapColumns); };
  QSet<quint64> seen;
  QHash<const QChar *, QByteArray> hashes;  // the sheet's strings live as long as this
  for (const QJsonValue &x : ref.value(QLatin1String("cells")).toArray()) {
    const QJsonArray a = x.toArray();
    const int r = a[0].toInt(), c = a[1].toInt();
    const QString type = a[2].toString();
    QString text = a[3].toString();
    if (r < 1 || c < 1) continue;  // outside any sheet: nothing to read
    const MergeArea m = sheet.mergeArea(r, c);
    if (m.merged() && (m.top != r || m.left != c)) continue;  // hidden under a block: reads empty
    if (type == QLatin1String("s") && text.isEmpty()) continue;
    if (auto e = escaped.find({r, c}); e != escaped.end()) text = e->second;
    seen.insert((quint64(r) << 32) | quint32(c));
    auto ls = longStrings.find({r, c});
    const QString diff = cellDifference(sheet, sheet.value(r, c), type, text,
                                        ls != longStrings.end() ? &ls->second : nullptr, hashes);
    if (!diff.isEmpty()) report(QStringLiteral("R%1C%2: ").arg(r).arg(c) + diff);
  }
  for (const Worksheet::Entry &e : sheet.cells()) {
    if (!inCap(e.row, e.column) || seen.contains((quint64(e.row) << 32) | quint32(e.column)))
      continue;
    report(QStringLiteral("R%1C%2: not in the reference, got %3 \"%4\"")
               .arg(e.row)
               .arg(e.column)
               .arg(typeName(e.value.type),
                    CellValueText(sheet, e.value, CellTextStyle::Neutral).left(60)));
  }
}
}  // namespace

bool CorpusReference::load(const QString &corpusDir, const QString &relativePath, QString &error) {
  const QString fileName = relativePath.mid(relativePath.lastIndexOf(QLatin1Char('/')) + 1);
  QFile file(corpusDir + QStringLiteral("/ref/") + fileName + QStringLiteral(".json"));
  reading_ = {};
  expectation_ = Expectation::Refuse;
  if (!file.exists()) return true;  // no reference reading at all
  if (!file.open(QIODevice::ReadOnly)) {
    error = file.errorString();
    return false;
  }
  QJsonParseError parseError;
  const QJsonObject root = QJsonDocument::fromJson(file.readAll(), &parseError).object();
  if (parseError.error != QJsonParseError::NoError) {
    error = parseError.errorString();
    return false;
  }
  const QJsonObject fallback = root.value(QLatin1String("fallback_reference")).toObject();
  if (root.value(QLatin1String("ok")).toBool()) {
    reading_ = root;
    expectation_ = Expectation::Read;
  } else if (fallback.value(QLatin1String("ok")).toBool()) {
    reading_ = fallback;
    expectation_ = Expectation::Read;
  } else if (root.contains(QLatin1String("decrypted_reference"))) {
    reading_ = root.value(QLatin1String("decrypted_reference")).toObject();
    expectation_ = Expectation::PasswordProtected;
  }
  return true;
}

QString CorpusReference::readerName() const {
  return reading_.value(QLatin1String("reader")).toString();
}

QStringList CorpusReference::compare(const std::vector<Worksheet> &sheets) const {
  QStringList out;
  std::vector<QJsonObject> refSheets;
  for (const QJsonValue &s : reading_.value(QLatin1String("sheets")).toArray()) {
    const QJsonObject o = s.toObject();
    const QString kind = o.value(QLatin1String("kind")).toString(QStringLiteral("worksheet"));
    if (kind == QLatin1String("worksheet")) refSheets.push_back(o);
  }
  QStringList theirNames, ourNames;
  for (const QJsonObject &o : refSheets)
    theirNames.append(o.value(QLatin1String("name")).toString());
  for (const Worksheet &s : sheets) ourNames.append(s.name());
  if (theirNames != ourNames) {
    out.append(QStringLiteral("sheets: expected [%1], got [%2]")
                   .arg(theirNames.join(QLatin1String(", ")), ourNames.join(QLatin1String(", "))));
    return out;
  }
  for (size_t i = 0; i < sheets.size(); ++i) compareSheet(refSheets[i], sheets[i], out);
  return out;
}
