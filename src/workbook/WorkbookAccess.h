#pragma once

#include <QString>
#include <memory>

#include "SpreadsheetInstance.h"

// Opens a workbook file (.xls, .xlsx, .xlsm, .ods; the format is decided by the content).
// On failure: false, the instance empty, and the message to show, e.g.
// "要打开的Excel文件不存在!" or "打开文件:" + path + "出错!" + a reason.
bool OpenWorkbook(const QString &path, std::unique_ptr<SpreadsheetInstance> &instance,
                  QString &message);
// Closes the workbook without any prompt; the instance's sheets stay readable until quit.
void CloseWorkbook(SpreadsheetInstance *instance);
// Ends the instance and empties the reference; an empty reference is left alone.
void QuitWorkbookApp(std::unique_ptr<SpreadsheetInstance> &instance);
