#pragma once

#include <QString>

class QWidget;
class SpreadsheetInstance;

// "读入工资表开始新的发送&R": checks the database and the last batch, asks for a payroll
// workbook, finds the worksheets that hold addresses, lets the user choose among several, and
// opens one conversion window after another. Run with the main window, whose status bar shows
// how far it came.
void ActionLoadSalaryExcelFile(QWidget *mainWindow);

// Prepares and shows the conversion window of the active worksheet; true when the worksheet
// holds an address (whether or not the window could then be shown).
bool ProcessWorksheet(QWidget *owner, SpreadsheetInstance &instance, const QString &baseName);
