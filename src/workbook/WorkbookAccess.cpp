#include "WorkbookAccess.h"

#include <QFileInfo>

#include "WorkbookFile.h"

bool OpenWorkbook(const QString &path, std::unique_ptr<SpreadsheetInstance> &instance,
                  QString &message) {
  instance.reset();
  message.clear();
  if (!QFileInfo(path).isFile()) {
    message = QStringLiteral("要打开的Excel文件不存在!");
    return false;
  }
  std::vector<Worksheet> sheets;
  QString reason;
  if (!ReadWorkbookFile(path, sheets, reason)) {
    message = QStringLiteral("打开文件:") + path + QStringLiteral("出错!") + reason;
    return false;
  }
  instance = std::make_unique<SpreadsheetInstance>(path, std::move(sheets));
  return true;
}

void CloseWorkbook(SpreadsheetInstance *) {}

void QuitWorkbookApp(std::unique_ptr<SpreadsheetInstance> &instance) { instance.reset(); }
