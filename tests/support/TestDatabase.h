#pragma once

#include <QTemporaryDir>
#include <memory>

#include "data/Data.h"

// A fresh program folder in a temporary directory with the data module installed, as at
// start-up; payslip.mdb is created by open(). Restores everything on destruction.
class TestProgramFolder {
 public:
  TestProgramFolder();
  ~TestProgramFolder();

  QString path() const;  // ends with '/'
  QString file(const QString &name) const { return path() + name; }
  // OpenPayslipDatabase on the installed data module; fails the test on error.
  bool open();

 private:
  QTemporaryDir dir_;
  std::unique_ptr<TDataModule1> module_;
  TDataModule1 *previous_;
};

// Runs a statement on the shared query; QFAIL-style check by the caller.
bool Exec(const QString &sql, QString *error = nullptr);
// The first field of the first row of a select on the shared query.
QVariant Scalar(const QString &sql);
