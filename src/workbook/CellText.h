#pragma once

#include <QString>

#include "CellValue.h"

class Worksheet;
class QDateTime;

// How a cell value turns into text. Display follows the user's locale (decimal separator,
// short date); Neutral is locale-independent ("." and ISO dates) for the command-line tool.
enum class CellTextStyle { Display, Neutral };

// The value-to-text rule every caller reads cells by:
// - numbers: general form, up to 15 significant digits, no grouping, whatever the cell's
//   format (5,000.00 reads 5000); beyond 1e15 or below 1e-5 as 1.5E+20; currency amounts
//   with up to four decimals;
// - dates: the short date, plus " H:mm:ss" when the time is not midnight; a time of day alone
//   (a serial below 1) as "H:mm:ss"; serials outside 0..9999-12-31 read as numbers;
//   Neutral: "yyyy-MM-dd", "yyyy-MM-dd HH:mm:ss", a time alone "HH:mm:ss";
// - booleans TRUE / FALSE; error values as their code ("#N/A", "#DIV/0!").
QString CellValueText(const Worksheet &sheet, const CellValue &value,
                      CellTextStyle style = CellTextStyle::Display);

// The date and time a serial stands for in the sheet's date system, to the whole second (UTC).
QDateTime SerialToDateTime(double serial, bool date1904);
// The serial of a date and time (the inverse of SerialToDateTime).
double DateTimeToSerial(const QDateTime &dateTime, bool date1904);
