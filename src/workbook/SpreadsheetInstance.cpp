#include "SpreadsheetInstance.h"

#include "CellText.h"

SpreadsheetInstance::SpreadsheetInstance(QString path, std::vector<Worksheet> sheets)
    : path_(std::move(path)), sheets_(std::move(sheets)) {
  if (sheets_.empty()) {
    sheets_.emplace_back(QStringLiteral("Sheet1"));
    sheets_.back().finish();
  }
}

void SpreadsheetInstance::activate(int index) {
  if (index >= 1 && index <= worksheetCount()) active_ = index;
}

QString SpreadsheetInstance::worksheetName(int index) const {
  if (index < 1 || index > worksheetCount()) return {};
  return worksheet(index).name();
}

QString SpreadsheetInstance::cellText(int row, int column) const {
  const Worksheet &sheet = activeSheet();
  return CellValueText(sheet, sheet.value(row, column));
}
