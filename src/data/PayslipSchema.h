#pragma once

#include <QStringList>

// The create-table statements of payslip.mdb in creation order: payslip, slip, smtp_server,
// smtpservers, sheet_choise.
QStringList PayslipTableStatements();
