#include "WorkbookAccess.h"

#include <QFileInfo>

bool OpenWorkbook(const QString &path, std::unique_ptr<SpreadsheetInstance> &instance,
                  QString &message) {
  instance.reset();
  if (!QFileInfo::exists(path)) {
    message = QStringLiteral("要打开的Excel文件不存在!");
    return false;
  }
  // The readers arrive with the workbook engine.
  message = QStringLiteral("打开文件:") + path + QStringLiteral("出错!") +
            QStringLiteral("不支持的文件格式。");
  return false;
}

void CloseWorkbook(SpreadsheetInstance *) {}

void QuitWorkbookApp(std::unique_ptr<SpreadsheetInstance> &instance) { instance.reset(); }
