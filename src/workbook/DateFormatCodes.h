#pragma once

#include <QString>

// Whether a number format shows its value as a date or time: the built-in format ids of Excel
// (14-22, 45-47, and the Chinese built-ins 27-36 and 50-58), and custom format codes.
bool IsBuiltInDateFormat(int id);
// A custom format code is a date/time format when, outside quoted text, escaped characters and
// [bracketed] sections, it holds more date/time tokens (y m d h s) than digit placeholders.
bool IsDateFormatCode(const QString &code);
