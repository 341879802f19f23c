#pragma once

#include <QString>
#include <QStringList>

#include "workbook/Worksheet.h"

// The pieces both payslip builders are made of, written straight into one output string.
namespace slip {

// A cell as the builders see it: trimmed text and merged block.
struct Cell {
  QString text;  // the value as text, not yet trimmed
  MergeArea area;
  QStringView trimmed() const;
  // A merged cell without text (the covered part of a block) produces no table cell.
  bool leftOut() const { return area.merged() && trimmed().isEmpty(); }
};
Cell ReadCell(const Worksheet &sheet, int row, int column);

// Room for the whole document, so that it is written without reallocation in the usual case.
qsizetype EstimatedSize(qsizetype cellCount, const QStringList &footerLines, const QString &adText);

// " colspan="a" rowspan="b"" for a merged cell, nothing otherwise.
void AppendSpans(QString &out, bool merged, int colspan, int rowspan);
// upright: the text set one character per line, in the block of the vertical document's
// style class "shuli" (the document's own name for it, kept byte for byte).
void AppendHeaderCell(QString &out, const Cell &cell, int colspan, int rowspan, bool upright);
void AppendEmployeeCell(QString &out, const Cell &cell, int colspan, int rowspan);
// The footer lines as anchors, the advertisement block and the closing tags.
void AppendTail(QString &out, const QStringList &footerLines, const QString &adText);

}  // namespace slip
