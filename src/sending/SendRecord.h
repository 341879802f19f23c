#pragma once

#include <QString>

class DbQuery;

// While it lives, every commit on the query's connection is synced to the disk before it
// returns (PRAGMA synchronous=FULL); the connection's own level comes back afterwards.
class FullSyncScope {
 public:
  explicit FullSyncScope(DbQuery &query);
  ~FullSyncScope();
  FullSyncScope(const FullSyncScope &) = delete;
  FullSyncScope &operator=(const FullSyncScope &) = delete;

 private:
  DbQuery &query_;
  int level_ = -1;
};

// A sent payslip: its send_status and its archive copy in slip are committed together, so that
// after a crash the row never reads as unsent for a mail that went out and slip holds exactly
// one copy of it; under a FullSyncScope that commit is also safe from a power cut. False
// (nothing changed) when send_status could not be written; a failed archive copy is ignored,
// the row is still marked.
bool RecordPayslipSent(DbQuery &query, int payslipId, QString &errorText);

// A failed payslip's error text; false when it could not be written (the row keeps its values).
bool RecordPayslipError(DbQuery &query, int payslipId, const QString &error);
