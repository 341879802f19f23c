#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "data/ProgramFolder.h"

namespace {
bool writeFile(const QString &path, const QByteArray &content) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}
QByteArray readAll(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

// Where the program keeps its files: beside the executable when it may write there, else in
// the user's data folder, seeded with the shipped files.
class TestProgramFolderChoice : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(beside_.isValid() && home_.isValid());
    QVERIFY(writeFile(beside_.filePath("mass.txt"), "shipped list"));
    QVERIFY(writeFile(beside_.filePath("工资表样例.xls"), "sample"));
    QVERIFY(QFile::setPermissions(beside_.filePath("mass.txt"),
                                  QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  }

  void writableFolderStaysTheProgramFolder() {
    const QString user = home_.filePath("writable/Korvane");
    QCOMPARE(ChooseProgramFolder(beside_.path(), true, user), beside_.path() + '/');
    QVERIFY(!QFile::exists(user));
  }

  void installedFolderMovesToTheUserFolder() {
    const QString user = home_.filePath("first/.local/share/Korvane");
    QCOMPARE(ChooseProgramFolder(beside_.path(), false, user), user + '/');
    QCOMPARE(readAll(user + "/mass.txt"), QByteArray("shipped list"));
    QCOMPARE(readAll(user + "/工资表样例.xls"), QByteArray("sample"));
    // The copy of a read-only installed file can be replaced by the provider update.
    QVERIFY(QFile::permissions(user + "/mass.txt") & QFileDevice::WriteOwner);
    QCOMPARE(QDir(user).entryList(QDir::Files), (QStringList{"mass.txt", "工资表样例.xls"}));
  }

  // A later start keeps what the user's folder holds: the downloaded list is newer.
  void laterStartsKeepTheUsersFiles() {
    const QString user = home_.filePath("later/Korvane");
    QVERIFY(QDir().mkpath(user));
    QVERIFY(writeFile(user + "/mass.txt", "downloaded list"));
    QCOMPARE(ChooseProgramFolder(beside_.path(), false, user), user + '/');
    QCOMPARE(readAll(user + "/mass.txt"), QByteArray("downloaded list"));
    QCOMPARE(readAll(user + "/工资表样例.xls"), QByteArray("sample"));
  }

  void userFolderThatCannotBeMade() {
    QVERIFY(writeFile(home_.filePath("a-file"), "x"));
    QCOMPARE(ChooseProgramFolder(beside_.path(), false, home_.filePath("a-file/Korvane")),
             beside_.path() + '/');
  }

  void writableTest() {
    QVERIFY(IsWritableFolder(beside_.path()));
    QVERIFY(!IsWritableFolder(beside_.filePath("missing")));
    QVERIFY(!IsWritableFolder(beside_.filePath("mass.txt")));
    QCOMPARE(QDir(beside_.path()).entryList(QDir::Hidden | QDir::Files).filter(".korvane-write"),
             QStringList());  // the probe leaves nothing behind
  }

  // The same folder for the program and korvane-cli: AppDataLocation of "Korvane".
  void userDataFolderIsTheProgramsAppData() {
    const QString previous = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Korvane"));
    QCOMPARE(UserDataFolder(),
             QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + '/');
    QCoreApplication::setApplicationName(previous);
    QCOMPARE(UserDataFolder(),
             QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Korvane/");
  }

  void defaultIsBesideAWritableExecutable() {
    QCOMPARE(DefaultProgramFolder(), QCoreApplication::applicationDirPath() + '/');
    QCOMPARE(ShippedFilesFolder(), QCoreApplication::applicationDirPath() + '/');
    SetProgramFolderForTesting(beside_.path());
    QCOMPARE(ProgramFolder(), beside_.path() + '/');
    SetProgramFolderForTesting(QString());
    QCOMPARE(ProgramFolder(), DefaultProgramFolder());
  }

 private:
  QTemporaryDir beside_;
  QTemporaryDir home_;
};

QTEST_GUILESS_MAIN(TestProgramFolderChoice)
#include "tst_program_folder.moc"
