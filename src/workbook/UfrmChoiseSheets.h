#pragma once

#include <QDialog>

class QSqlTableModel;
class QTableView;

// The worksheet choice: every worksheet of the workbook that holds addresses (the rows of
// sheet_choise), each with a tick box; the ticks are written to sheet_choise.selected before
// the dialog closes through "确定&S".
class TFormChoiseSheets : public QDialog {
  Q_OBJECT

 public:
  explicit TFormChoiseSheets(QWidget *parent = nullptr);

 private:
  void confirm();

  QSqlTableModel *model_ = nullptr;
  QTableView *grid_ = nullptr;
};
