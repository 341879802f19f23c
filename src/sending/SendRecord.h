#pragma once

#include <QString>

class DbQuery;

// A sent payslip: its send_status and its archive copy in slip are committed together, with a
// full sync of the commit, so that after a crash or a power cut the row never reads as unsent
// for a mail that went out and slip holds exactly one copy of it. False (nothing changed) when
// send_status could not be written; a failed archive copy is ignored, the row is still marked.
bool RecordPayslipSent(DbQuery &query, int payslipId, QString &errorText);

// A failed payslip's error text; false when it could not be written (the row keeps its values).
bool RecordPayslipError(DbQuery &query, int payslipId, const QString &error);
