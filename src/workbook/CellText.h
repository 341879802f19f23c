#pragma once

#include <QString>

#include "CellValue.h"

class Worksheet;

// How a cell value turns into text. Display follows the user's locale (decimal separator,
// short date); Neutral is locale-independent ("." and ISO dates) for the command-line tool.
enum class CellTextStyle { Display, Neutral };

// Numbers in general form with up to 15 significant digits and no grouping; dates as the short
// date, plus the time when it is not midnight; booleans TRUE/FALSE; error values as their code.
QString CellValueText(const Worksheet &sheet, const CellValue &value,
                      CellTextStyle style = CellTextStyle::Display);

// The date and time a serial stands for in the sheet's date system.
class QDateTime;
QDateTime SerialToDateTime(double serial, bool date1904);
