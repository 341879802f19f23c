#pragma once

#include <QString>
#include <QStringList>

#include "data/ProgramFolder.h"

class SpreadsheetInstance;

// One employee row of the active worksheet as a complete HTML payslip: the header rows
// 1..firstDataRowNumber-1 and the row, then the footer lines and the advertisement block of
// programFolder's ad.txt. Texts go in unescaped; the e-mail column is left out unless showEmail.

// Header rows on top, the employee row below (横向).
QString BuildHorizontalSlip(const SpreadsheetInstance &excel, int firstDataRowNumber, int row,
                            const QStringList &footerLines, int emailColumnNumber, bool showEmail,
                            const QString &programFolder = ProgramFolder());
// Transposed: one table row per worksheet column (纵向).
QString BuildVerticalSlip(const SpreadsheetInstance &excel, int firstDataRowNumber, int row,
                          const QStringList &footerLines, int emailColumnNumber, bool showEmail,
                          const QString &programFolder = ProgramFolder());
