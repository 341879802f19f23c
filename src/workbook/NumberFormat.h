#pragma once

#include <QString>

// What a cell's number format makes of its number: a plain number, a date/time (the number
// is a serial day), or a currency amount. Shared by the readers of every format.
enum class NumberFormatKind { Number, Date, Currency };

// The built-in format ids of the spreadsheet file formats (14-22 and 45-47 dates and times,
// 27-36 and 50-58 the dates of the Chinese, Japanese and Korean built-ins, 5-8 currency).
NumberFormatKind BuiltinNumberFormatKind(int id);
// A format code such as "yyyy-mm-dd", "#,##0.00", "[$¥-804]#,##0.00" or "[h]:mm:ss".
NumberFormatKind ClassifyNumberFormat(const QString &code);
