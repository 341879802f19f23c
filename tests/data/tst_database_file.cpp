#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "support/TestDatabase.h"

namespace {
const char kCreateChild[] = "KORVANE_CREATE_AND_DIE";

// The permission bits of a file, -1 when it does not exist.
int modeOf(const QString &path) {
  struct stat st {};
  if (stat(QFile::encodeName(path).constData(), &st) != 0) return -1;
  return int(st.st_mode & 07777);
}

QString octal(int mode) { return mode < 0 ? QStringLiteral("missing") : QString::number(mode, 8); }

// Tables of a database file read by a connection of its own.
QStringList tablesIn(const QString &path) {
  QStringList names;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
    db.setDatabaseName(path);
    if (db.open()) {
      QSqlQuery q(QStringLiteral("select name from sqlite_master where type='table' and name not "
                                 "like 'sqlite_%' order by name"),
                  db);
      while (q.next()) names << q.value(0).toString();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("probe"));
  return names;
}

QVariant scalarIn(const QString &path, const QString &sql) {
  QVariant value;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
    db.setDatabaseName(path);
    if (db.open()) {
      QSqlQuery q(sql, db);
      if (q.next()) value = q.value(0);
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("probe"));
  return value;
}

// Copies payslip.mdb, and nothing beside it, into a folder of its own, as a user's backup.
QString copyAlone(const QString &from, const QTemporaryDir &to) {
  const QString target = to.filePath(QStringLiteral("payslip.mdb"));
  QFile::copy(from, target);
  return target;
}

const QStringList kTables{"payslip", "sheet_choise", "slip", "smtp_server", "smtpservers"};
}  // namespace

// The database file as the file system sees it: who may read it, and whether it is complete
// without its write-ahead log.
class TestDatabaseFile : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The usual desktop umask: without care, SQLite would make its files readable by everyone.
    umask(022);
  }

  void newDatabaseAndSideFilesAreOwnerOnly() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    // A second connection keeps the write-ahead log and the shared memory file in place.
    DbConnection other;
    other.setDatabasePath(folder.file("payslip.mdb"));
    DbQuery query(other);
    QString error;
    QVERIFY2(SqlExec("insert into smtp_server(pwd) values('geheim')", query, error),
             qPrintable(error));
    QVERIFY(Exec("insert into sheet_choise(sheet_id) values(1)"));
    for (const char *name : {"payslip.mdb", "payslip.mdb-wal", "payslip.mdb-shm"})
      QCOMPARE(octal(modeOf(folder.file(name))), QStringLiteral("600"));
  }

  void existingFilesAreRestrictedWhenOpened() {
    TestProgramFolder folder;
    const QString path = folder.file("payslip.mdb");
    {
      // A database of an earlier build: readable by everyone, its side files too.
      QSqlDatabase old =
          QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
      old.setDatabaseName(path);
      QVERIFY(old.open());
      QSqlQuery q(old);
      QVERIFY(q.exec("PRAGMA journal_mode=WAL"));
      QVERIFY(q.exec("create table smtp_server(pwd text)"));
      QVERIFY(q.exec("insert into smtp_server values('geheim')"));
      for (const char *name : {"payslip.mdb", "payslip.mdb-wal", "payslip.mdb-shm"})
        QCOMPARE(octal(modeOf(folder.file(name))), QStringLiteral("644"));

      QVERIFY(folder.open());
      QCOMPARE(Scalar("select pwd from smtp_server").toString(), QStringLiteral("geheim"));
      for (const char *name : {"payslip.mdb", "payslip.mdb-wal", "payslip.mdb-shm"})
        QCOMPARE(octal(modeOf(folder.file(name))), QStringLiteral("600"));
      old.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
  }

  void otherPermissionsOfTheOwnerAreKept() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    const QString path = folder.file("payslip.mdb");
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadGroup | QFileDevice::ReadOther));
    DbConnection again;
    again.setDatabasePath(path);
    QString error;
    QVERIFY2(again.ensureOpen(error), qPrintable(error));
    QCOMPARE(octal(modeOf(path)), QStringLiteral("600"));
  }

  void killedFirstStartLeavesACompleteFile() {
    QTemporaryDir programFolder;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kCreateChild), programFolder.path() + QLatin1Char('/'));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);  // SIGKILL: no destructor ran
    QVERIFY2(child.readAllStandardOutput().contains("created"), "the child did not create it");
    const QString path = programFolder.filePath(QStringLiteral("payslip.mdb"));
    QTemporaryDir backup;
    QCOMPARE(tablesIn(copyAlone(path, backup)), kTables);
  }

  void cleanExitLeavesACompleteFile() {
    QTemporaryDir programFolder;
    SetProgramFolderForTesting(programFolder.path());
    const QString path = PayslipDatabasePath();
    // Another connection still open at the end (a background thread, another tool) keeps
    // SQLite from folding the log into the file by itself.
    DbConnection reader;
    {
      TDataModule1 module;
      TDataModule1 *previous = DataModule1;
      DataModule1 = &module;
      QString error;
      QVERIFY2(OpenPayslipDatabase(error), qPrintable(error));
      reader.setDatabasePath(path);
      DbQuery query(reader);
      QVERIFY(SqlOpen("select count(*) from smtp_server", query, error));
      query.close();
      QVERIFY(Exec("insert into smtp_server(server_name) values('saved before exit')"));
      DataModule1 = previous;
    }
    SetProgramFolderForTesting(QString());
    QTemporaryDir backup;
    QCOMPARE(scalarIn(copyAlone(path, backup), "select server_name from smtp_server").toString(),
             QStringLiteral("saved before exit"));
  }
};

// Run as a child process by killedFirstStartLeavesACompleteFile: a first start that creates
// payslip.mdb and is killed at once.
static int createAndDie(const QString &folder) {
  SetProgramFolderForTesting(folder);
  TDataModule1 module;
  DataModule1 = &module;
  QString error;
  if (!OpenPayslipDatabase(error)) {
    fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
  }
  fputs("created\n", stdout);
  fflush(stdout);
  raise(SIGKILL);
  return 0;  // not reached
}

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  if (qEnvironmentVariableIsSet(kCreateChild))
    return createAndDie(qEnvironmentVariable(kCreateChild));
  TestDatabaseFile test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_database_file.moc"
