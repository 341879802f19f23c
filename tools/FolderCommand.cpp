#include <QDir>

#include "CliCommands.h"
#include "CliOutput.h"
#include "CommandLine.h"
#include "data/Data.h"
#include "data/DbConnection.h"
#include "data/ProgramFolder.h"

// korvane-cli folder [--create-database]: prints the program folder the program uses for this
// user (beside the executable when writable, else the user's data folder, seeded on first use).
int RunFolderCommand(const QStringList &args) {
  CommandLine line(QStringLiteral("folder"), QString(),
                   QStringLiteral("Prints the program folder, the default of every --folder."));
  line.addFlag(QStringLiteral("create-database"),
               QStringLiteral("also open payslip.mdb there, creating it as a first start does"));
  int status = 0;
  if (!line.parse(args, 0, 0, status)) return status;
  const QString folder = DefaultProgramFolder();
  if (line.isSet(QStringLiteral("create-database"))) {
    DbConnection connection;
    QString errorText;
    if (!OpenPayslipDatabase(connection, folder, errorText)) return Fail(errorText);
  }
  WriteOut(QDir::toNativeSeparators(folder) + QLatin1Char('\n'));
  return 0;
}
