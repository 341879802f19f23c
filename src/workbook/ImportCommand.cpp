#include "ImportCommand.h"

#include <QApplication>
#include <QStatusBar>
#include <QWidget>
#include <memory>

#include "SheetLayout.h"
#include "UfrmChoiseSheets.h"
#include "WorkbookAccess.h"
#include "WorkbookImport.h"
#include "data/Data.h"
#include "payslip/UfrmReadASheetAndSendIt.h"
#include "widgets/Interaction.h"
#include "widgets/ScreenMetrics.h"

namespace {
const QString kCannotSend = QStringLiteral("无法群发继续操作！");
const QString kErrorCannotSend = QStringLiteral("发生了一个错误，无法群发继续操作！");

void message(const QString &text) { Interaction::current().showMessage(text); }

// The main window's one status panel.
void status(QWidget *mainWindow, const QString &text) {
  if (!mainWindow) return;
  if (auto *bar = mainWindow->findChild<QStatusBar *>(QStringLiteral("StatusBar1")))
    bar->showMessage(text);
}

// Opens the workbook with the hourglass and the status text showing while the file is read.
bool openWorkbook(QWidget *mainWindow, const QString &path,
                  std::unique_ptr<SpreadsheetInstance> &excel) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  status(mainWindow, QStringLiteral("正在打开") + path);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  QString reason;
  const bool opened = OpenWorkbook(path, excel, reason);
  QApplication::restoreOverrideCursor();
  if (!opened) {
    message(reason);
    message(QStringLiteral("打开") + path + QStringLiteral("失败！"));
  }
  return opened;
}

void processChosen(QWidget *mainWindow, SpreadsheetInstance &excel, const QString &baseName,
                   const QList<int> &sheets, bool &found) {
  for (int sheet : sheets) {
    excel.activate(sheet);
    status(mainWindow, QStringLiteral("正在处理") + excel.activeSheetName());
    if (ProcessWorksheet(mainWindow, excel, baseName)) found = true;
  }
}
}  // namespace

bool ProcessWorksheet(QWidget *owner, SpreadsheetInstance &instance, const QString &baseName) {
  int emailColumn = 0;
  const int firstDataRow = FindFirstEmailCell(instance, emailColumn);
  if (firstDataRow == 0) return false;
  auto *window = new TFormReadASheetAndSendIt(owner);
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  if (window->PrePareSend(instance, firstDataRow, emailColumn, baseName)) {
    window->resize(window->width(), TallWindowHeight(owner));
    Interaction::current().execModal(window);
  } else {
    window->close();  // unshown; the footer is kept all the same
  }
  delete window;
  return true;
}

void ActionLoadSalaryExcelFile(QWidget *mainWindow) {
  QString errorText;
  if (!OpenPayslipDatabase(errorText)) {
    message(QStringLiteral("打开数据库错误：") + errorText + QLatin1Char('\r') + kCannotSend);
    return;
  }
  DbQuery &query = DataModule1->ADOQueryAccessComm;
  if (SqlOpen(QStringLiteral("select count(*) from payslip where send_status=false"), query,
              errorText) &&
      query.field(0).toInt() > 0 &&
      !Interaction::current().confirm(
          QStringLiteral(
              "发现存在上次未发送成功邮件，如果开始新的发送将清除上次未成功发送！继续吗？"),
          QString(), Interaction::Icon::Question, Interaction::Buttons::YesNo))
    return;
  if (!SqlExec(QStringLiteral("delete from sheet_choise"), query, errorText)) {
    message(kErrorCannotSend + errorText);
    return;
  }
  // The engine reads .xlsm and .ods as well.
  const QString path = Interaction::current().openFileName(
      mainWindow, QStringLiteral("打开"),
      QStringLiteral("Excel Files (*.xls *.xlsx *.xlsm *.ods)"));
  if (path.isEmpty()) return;

  // The workbook is closed and the engine ended however the command ends from here on.
  std::unique_ptr<SpreadsheetInstance> excel;
  if (!openWorkbook(mainWindow, path, excel)) return;
  struct Closer {
    std::unique_ptr<SpreadsheetInstance> &excel;
    ~Closer() {
      CloseWorkbook(excel.get());
      QuitWorkbookApp(excel);
    }
  } closer{excel};

  const QList<int> addressSheets = FindAddressSheets(*excel);
  if (addressSheets.isEmpty()) {
    message(QStringLiteral("没有发现打开的电子表格内含有具有电子邮箱地址的工资表格，无法继续。"));
    return;
  }
  const QString baseName = SalaryFileBaseName(path);
  bool found = false;
  if (addressSheets.size() > 1) {
    if (!StoreSheetChoices(query, *excel, errorText)) {
      message(kErrorCannotSend + errorText);
      return;
    }
    auto *choice = new TFormChoiseSheets(mainWindow);
    choice->setAttribute(Qt::WA_DeleteOnClose, false);
    Interaction::current().execModal(choice);
    delete choice;
    DbQuery ADOQueryChoiseSheet(DataModule1->ADOConnectionAccess);
    QList<int> chosen;
    if (!ChosenSheets(ADOQueryChoiseSheet, chosen, errorText)) {
      Interaction::current().showError(errorText);
      return;
    }
    if (chosen.isEmpty()) {
      message(QStringLiteral("没有选择要处理的工作表！无法继续！"));
      return;
    }
    processChosen(mainWindow, *excel, baseName, chosen, found);
  } else {
    processChosen(mainWindow, *excel, baseName, addressSheets, found);
  }
  status(mainWindow, QStringLiteral("处理完毕"));
  if (!found) {
    message(
        QStringLiteral("没有发现读入的工资表含有电子邮件信息，无法群发工资条邮件！"
                       "工资表的每一行都应含有对应人员的电子邮箱地址信息，请确认！"));
  }
}
