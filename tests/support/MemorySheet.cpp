#include "MemorySheet.h"

#include <QRegularExpression>

namespace {
// "C12" -> row 12, column 3.
bool parseCell(const QString &a1, int &row, int &column) {
  static const QRegularExpression re(QStringLiteral("^([A-Z]+)([0-9]+)$"));
  const QRegularExpressionMatch m = re.match(a1);
  if (!m.hasMatch()) return false;
  column = 0;
  for (QChar ch : m.captured(1)) column = column * 26 + (ch.unicode() - u'A' + 1);
  row = m.captured(2).toInt();
  return true;
}
}  // namespace

MemorySheet::MemorySheet(const QString &name) : sheet_(name) {}

MemorySheet &MemorySheet::row(int row, const QStringList &texts, int firstColumn) {
  for (int i = 0; i < texts.size(); ++i) sheet_.setText(row, firstColumn + i, texts.at(i));
  return *this;
}

MemorySheet &MemorySheet::text(int row, int column, const QString &text) {
  sheet_.setText(row, column, text);
  return *this;
}

MemorySheet &MemorySheet::number(int row, int column, double value) {
  sheet_.setNumber(row, column, value);
  return *this;
}

MemorySheet &MemorySheet::merge(int top, int left, int bottom, int right) {
  sheet_.addMerge(top, left, bottom, right);
  return *this;
}

MemorySheet &MemorySheet::merge(const QString &range) {
  const QStringList ends = range.split(QLatin1Char(':'));
  int top = 0, left = 0, bottom = 0, right = 0;
  if (ends.size() == 2 && parseCell(ends[0], top, left) && parseCell(ends[1], bottom, right))
    sheet_.addMerge(top, left, bottom, right);
  else
    qFatal("bad range %s", qPrintable(range));
  return *this;
}

MemorySheet &MemorySheet::grid(const QStringList &rows, int firstRow, int firstColumn) {
  for (int r = 0; r < rows.size(); ++r) {
    const QStringList cells = rows.at(r).split(QLatin1Char('|'));
    for (int c = 0; c < cells.size(); ++c) {
      const QString &cell = cells.at(c);
      if (cell.size() > 1 && cell.startsWith(QLatin1Char('#')))
        sheet_.setNumber(firstRow + r, firstColumn + c, cell.mid(1).toDouble());
      else
        sheet_.setText(firstRow + r, firstColumn + c, cell);
    }
  }
  return *this;
}

std::unique_ptr<SpreadsheetInstance> MemorySheet::workbook(const QString &path) {
  sheet_.finish();
  std::vector<Worksheet> sheets;
  sheets.push_back(sheet_);
  return std::make_unique<SpreadsheetInstance>(path, std::move(sheets));
}
