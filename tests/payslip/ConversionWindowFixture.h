#pragma once

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "payslip/UfrmReadASheetAndSendIt.h"
#include "support/MemorySheet.h"
#include "support/ScriptedInteraction.h"
#include "support/TestDatabase.h"
#include "workbook/SheetLayout.h"

// A program folder with payslip.mdb, the scripted interaction and a conversion window prepared
// for a worksheet, as the import command leaves it before showing it.
struct ConversionWindowFixture {
  TestProgramFolder folder;
  ScriptedInteraction ui;
  std::unique_ptr<SpreadsheetInstance> excel;
  std::unique_ptr<TFormReadASheetAndSendIt> window;
  bool prepared = false;

  explicit ConversionWindowFixture(MemorySheet sheet,
                                   const QString &salaryFileName = QStringLiteral("五月工资")) {
    if (!folder.open()) return;
    excel = sheet.workbook();
    window = std::make_unique<TFormReadASheetAndSendIt>();
    int emailColumn = 0;
    const int firstRow = FindFirstEmailCell(*excel, emailColumn);
    prepared = window->PrePareSend(*excel, firstRow, emailColumn, salaryFileName);
  }
  ~ConversionWindowFixture() { window.reset(); }

  template <typename T>
  T *find(const char *name) const {
    return window->findChild<T *>(QLatin1String(name));
  }
  QAction *action(const char *name) const { return find<QAction>(name); }
  QLineEdit *edit(const char *name) const { return find<QLineEdit>(name); }
  QString panel(int index) const {
    return find<QLabel>(index == 0 ? "StatusPanel0" : "StatusPanel1")->text();
  }
  void show() {
    window->show();
    QCoreApplication::processEvents();
  }
};

// Title, header with 姓名 in column 2, three employees (the second without an address), a
// totals row.
inline MemorySheet SmallPayroll(const QString &name = QStringLiteral("一车间")) {
  MemorySheet sheet(name);
  sheet
      .grid({"2021年5月工资表|||", "工号|姓名|实发工资|邮箱", "001|张三|#5000|zhangsan@example.com",
             "002|李四|#6000|", "003|王五|#5500|wangwu@example.com", "合计||#16500|"})
      .merge("A1:D1");
  return sheet;
}

// Rows of the batch in insertion order: "row_number:f2:send_status".
inline QStringList BatchRows() {
  QStringList rows;
  QString error;
  DbQuery &query = DataModule1->ADOQueryAccessComm;
  if (!SqlOpen(QStringLiteral("select row_number,f2,send_status from payslip order by payslip_id"),
               query, error))
    return {error};
  for (; !query.eof(); query.next())
    rows << QStringLiteral("%1:%2:%3")
                .arg(query.field(0).toInt())
                .arg(query.field(1).toString())
                .arg(query.field(2).toInt());
  return rows;
}
