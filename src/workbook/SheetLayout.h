#pragma once

#include <QString>

class SpreadsheetInstance;

// How the active worksheet of a workbook is laid out for the conversion: where the employee
// rows begin and end, where the addresses and names stand, and the mail subject to propose.
struct SheetLayout {
  int FirstDataRowNumber = 0;  // 0: the sheet holds no address
  int MaxRowNumber = 0;        // the last used row
  int EmailColumnNumber = 0;   // 0 with FirstDataRowNumber 0
  int NameColumnNumber = 0;    // 0: no "姓名"/"name" header found
  QString MailTitle;           // the proposed subject

  int dataRowCount() const { return MaxRowNumber - FirstDataRowNumber + 1; }
};

// Every search below finds what a walk over rows 1..last used row and columns 1..last used
// column of the active worksheet, counted from A1, finds first; it costs the stored cells and
// merged blocks, not the positions of the used range.

// The first cell, by row and then by column, whose trimmed text holds an address: returns its
// row and sets emailColumn, or returns 0 and leaves emailColumn alone.
int FindFirstEmailCell(const SpreadsheetInstance &sheet, int &emailColumn);

// The row's leftmost cell whose trimmed text holds an address; address is that whole trimmed
// text. Does not look at the e-mail column of the layout.
bool GetRowEmail(const SpreadsheetInstance &sheet, int row, QString &address);

// The title of row 1 when A1 is merged and row 1 holds exactly one text; otherwise
// salaryFileName + "[" + sheet name + "]".
QString ProposedMailTitle(const SpreadsheetInstance &sheet, const QString &salaryFileName);

// The leftmost column whose header just above the first data row reads "姓名" or "name"
// exactly; for a header merged over several rows, its top cell counts. 0 when none (always
// for a first data row of 1).
int FindNameColumn(const SpreadsheetInstance &sheet, int firstDataRowNumber);

// "共包含" + rows + "行数据。电子邮件地址位于第" + column + "列。"
QString LayoutSummaryText(int maxRowNumber, int firstDataRowNumber, int emailColumnNumber);

// The whole layout from the first e-mail cell onwards (as the import found it).
SheetLayout AnalyseSheetLayout(const SpreadsheetInstance &sheet, int firstDataRowNumber,
                               int emailColumnNumber, const QString &salaryFileName);
// The same, searching the first e-mail cell itself; FirstDataRowNumber, EmailColumnNumber and
// NameColumnNumber stay 0 when the sheet holds no address.
SheetLayout AnalyseSheetLayout(const SpreadsheetInstance &sheet, const QString &salaryFileName);
