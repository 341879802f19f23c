#pragma once

#include <QString>
#include <vector>

class Worksheet;

// One line per worksheet property, for comparing a reading with the expected one in a
// test's data table: "R3C2=top left; R12C5=99.5" with the locale-neutral texts.
QString CellsLine(const Worksheet &sheet);
// "R3C2:R12C5", the used range from its first to its last cell.
QString UsedRangeLine(const Worksheet &sheet);
// "R2C2:R3C4; R1C6:R1C7"
QString MergesLine(const Worksheet &sheet);

// A fixture checked in under tests/workbook/fixtures.
QString FixturePath(const QString &name);
