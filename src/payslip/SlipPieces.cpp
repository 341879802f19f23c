#include "SlipPieces.h"

#include <algorithm>

#include "workbook/CellText.h"
#include "workbook/TrimmedText.h"

namespace slip {
namespace {
void appendNumber(QString &out, int value) {
  char16_t digits[12];
  int n = 0;
  unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    digits[n++] = static_cast<char16_t>(u'0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (value < 0) out += u'-';
  while (n > 0) out += QChar(digits[--n]);
}
}  // namespace

QStringView Cell::trimmed() const { return TrimmedView(text); }

Cell ReadCell(const Worksheet &sheet, int row, int column) {
  return Cell{CellValueText(sheet, sheet.value(row, column)), sheet.mergeArea(row, column)};
}

qsizetype EstimatedSize(qsizetype cellCount, const QStringList &footerLines,
                        const QString &adText) {
  qsizetype size = 320 + cellCount * 40 + adText.size();
  for (const QString &line : footerLines) size += line.size() + 12;
  // A mistyped first data row can ask for millions of header cells: let such a string grow.
  constexpr qsizetype kMaxReserve = 4 * 1024 * 1024;
  return std::min(size, kMaxReserve);
}

void AppendSpans(QString &out, bool merged, int colspan, int rowspan) {
  if (!merged) return;
  out += u" colspan=\"";
  appendNumber(out, colspan);
  out += u"\" rowspan=\"";
  appendNumber(out, rowspan);
  out += u'"';
}

void AppendHeaderCell(QString &out, const Cell &cell, int colspan, int rowspan, bool upright) {
  out += u"<th";
  AppendSpans(out, cell.area.merged(), colspan, rowspan);
  out += u'>';
  if (upright) out += u"<div class=\"shuli\">";
  out += cell.trimmed();
  if (upright) out += u"</div>";
  out += u"</th>";
}

void AppendEmployeeCell(QString &out, const Cell &cell, int colspan, int rowspan) {
  out += u"<td align=\"right\"";
  AppendSpans(out, cell.area.merged(), colspan, rowspan);
  out += u'>';
  const QStringView text = cell.trimmed();
  if (text.isEmpty())
    out += u"&nbsp;";
  else
    out += text;
  out += u"</td>";
}

void AppendTail(QString &out, const QStringList &footerLines, const QString &adText) {
  for (const QString &line : footerLines) {
    out += u"<a>";
    out += line;
    out += u"</a><br>";
  }
  out += adText;
  out += u"\r</body>\r</html>";
}

}  // namespace slip
