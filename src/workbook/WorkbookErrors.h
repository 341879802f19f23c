#pragma once

#include <QString>

// The reasons OpenWorkbook gives after "打开文件:" + path + "出错!".
inline QString ReasonPasswordProtected() {
  return QStringLiteral("该工作簿设有打开密码，请先在Excel中取消密码保护后再读入。");
}
inline QString ReasonDamaged() { return QStringLiteral("文件已损坏或内容不完整，无法读取。"); }
inline QString ReasonNotAWorkbook() {
  return QStringLiteral("该文件不是Excel工作簿（支持.xls、.xlsx、.xlsm和.ods格式）。");
}
inline QString ReasonUnsupportedVersion() {
  return QStringLiteral("不支持此版本的Excel文件，请在Excel中另存为.xlsx格式后再读入。");
}
inline QString ReasonCannotRead() {
  return QStringLiteral("无法读取该文件，请确认文件没有被其他程序占用。");
}

// Files that other programs export under a workbook's name: what the file really is, and how
// the user gets a workbook from it.
inline QString ReasonSaveAsXlsx() {
  return QStringLiteral("请用Excel或WPS打开该文件，另存为Excel工作簿（.xlsx格式）后再读入。");
}
inline QString ReasonCsvFile() {
  return QStringLiteral("该文件是逗号或制表符分隔的文本文件（CSV），不是Excel工作簿。") +
         ReasonSaveAsXlsx();
}
inline QString ReasonHtmlFile() {
  return QStringLiteral("该文件是网页格式的表格（HTML），不是Excel工作簿。") + ReasonSaveAsXlsx();
}
inline QString ReasonXmlSpreadsheetFile() {
  return QStringLiteral("该文件是XML电子表格（Excel 2003 XML格式），不是Excel工作簿。") +
         ReasonSaveAsXlsx();
}

// A read limit of ReadLimits.h was hit: each reason names the limit.
inline QString ReasonTooManyCells() {
  return QStringLiteral("工作簿内容过多或结构异常（单元格数量超出读取上限），无法读取。");
}
inline QString ReasonTooManyMerges() {
  return QStringLiteral("工作簿内容过多或结构异常（合并单元格数量超出读取上限），无法读取。");
}
inline QString ReasonTooMuchText() {
  return QStringLiteral("工作簿内容过多或结构异常（文字总量超出读取上限），无法读取。");
}
inline QString ReasonTooManySheets() {
  return QStringLiteral("工作簿内容过多或结构异常（工作表数量超出读取上限），无法读取。");
}
inline QString ReasonTooManyFormats() {
  return QStringLiteral("工作簿内容过多或结构异常（单元格格式数量超出读取上限），无法读取。");
}
inline QString ReasonTooManyParts() {
  return QStringLiteral("工作簿结构异常（文件内部的组成部分数量超出读取上限），无法读取。");
}
inline QString ReasonPartTooLarge() {
  return QStringLiteral(
      "工作簿内容过多或结构异常（文件内部有一部分解压后超出读取上限），无法读取。");
}
inline QString ReasonCellTooLong() {
  return QStringLiteral(
      "文件已损坏：有单元格的内容超过Excel每个单元格32767个字符的上限，无法读取。");
}
inline QString ReasonOutOfMemory() {
  return QStringLiteral("工作簿内容过多，读取时内存不足，无法读取。");
}
