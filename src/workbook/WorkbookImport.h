#pragma once

#include <QList>
#include <QString>

class DbQuery;
class SpreadsheetInstance;

// The worksheet passes of the import command, without its windows.

// The worksheets that hold an e-mail address, in workbook order; each worksheet is activated
// in turn and the last one stays active.
QList<int> FindAddressSheets(SpreadsheetInstance &instance);
// One sheet_choise row (name, index, not selected) per worksheet that holds an address. Error
// text: the SQL helper's.
bool StoreSheetChoices(DbQuery &query, SpreadsheetInstance &instance, QString &errorText);
// The indices of the ticked worksheets, in worksheet order ("select * from sheet_choise where
// selected=true"); false when the query fails.
bool ChosenSheets(DbQuery &query, QList<int> &sheets, QString &errorText);
// The workbook's file name without its folder and extension: the SalaryFileName of a sheet.
QString SalaryFileBaseName(const QString &path);
