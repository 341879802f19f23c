#include "TestDatabase.h"

#include <QTest>

#include "data/ProgramFolder.h"

TestProgramFolder::TestProgramFolder() : previous_(DataModule1) {
  SetProgramFolderForTesting(dir_.path());
  module_ = std::make_unique<TDataModule1>();
  DataModule1 = module_.get();
}

TestProgramFolder::~TestProgramFolder() {
  DataModule1 = previous_;
  module_.reset();
  SetProgramFolderForTesting(QString());
}

QString TestProgramFolder::path() const { return dir_.path() + QLatin1Char('/'); }

bool TestProgramFolder::open() {
  QString error;
  if (!OpenPayslipDatabase(error)) {
    qWarning("OpenPayslipDatabase failed: %s", qPrintable(error));
    return false;
  }
  return true;
}

bool Exec(const QString &sql, QString *error) {
  QString text;
  const bool ok = SqlExec(sql, DataModule1->ADOQueryAccessComm, text);
  if (error) *error = text;
  if (!ok && !error) qWarning("%s", qPrintable(text));
  return ok;
}

QVariant Scalar(const QString &sql) {
  QString error;
  if (!SqlOpen(sql, DataModule1->ADOQueryAccessComm, error)) {
    qWarning("%s", qPrintable(error));
    return {};
  }
  return DataModule1->ADOQueryAccessComm.field(0);
}
