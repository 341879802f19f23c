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
inline QString ReasonTooLarge() {
  return QStringLiteral("工作簿内容过多或结构异常（单元格数量超出读取上限），无法读取。");
}
