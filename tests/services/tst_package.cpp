#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Run {
  int exitCode = -1;
  QString out;
  QString err;
};

Run run(const QString &program, const QStringList &args, int timeoutMs = 60000,
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(program, args);
  Run result;
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished();
    result.err = QStringLiteral("timed out: ") + program;
    return result;
  }
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = QString::fromUtf8(process.readAllStandardOutput());
  result.err = QString::fromUtf8(process.readAllStandardError());
  return result;
}

bool makeTraversable(const QString &path) {
  return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                         QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                         QFileDevice::ExeOther);
}

int smtpServerRows(const QString &database) {
  int rows = -1;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("pkg"));
    db.setDatabaseName(database);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (db.open()) {
      QSqlQuery query(db);
      if (query.exec(QStringLiteral("select count(*) from smtpservers")) && query.next())
        rows = query.value(0).toInt();
    }
  }
  QSqlDatabase::removeDatabase(QStringLiteral("pkg"));
  return rows;
}
}  // namespace

// The Debian package: built with CPack, unpacked into a scratch root, and started from its
// read-only folder by an ordinary user, whose data folder then holds the program's files.
class TestPackage : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty())
      QSKIP("dpkg-deb is not installed: no Debian package can be checked");
    if (!QFile::exists(QStringLiteral(KORVANE_CPACK_COMMAND)))
      QSKIP("cpack is not installed: no package can be built");
    QVERIFY(scratch_.isValid());
    QVERIFY(makeTraversable(scratch_.path()));

    const Run built =
        run(QStringLiteral(KORVANE_CPACK_COMMAND),
            {"-G", "DEB", "--config", KORVANE_CPACK_CONFIG, "-B", scratch_.filePath("out")});
    QVERIFY2(built.exitCode == 0, qPrintable(built.out + built.err));
    const QStringList debs = QDir(scratch_.filePath("out")).entryList({"korvane_*.deb"});
    QCOMPARE(debs.size(), 1);
    deb_ = scratch_.filePath("out/" + debs.first());
    root_ = scratch_.filePath("root");
    const Run unpacked = run(QStringLiteral("dpkg-deb"), {"-x", deb_, root_});
    QVERIFY2(unpacked.exitCode == 0, qPrintable(unpacked.err));
  }

  void controlFields() {
    const Run fields =
        run(QStringLiteral("dpkg-deb"), {"-f", deb_, "Package", "Version", "Depends"});
    QCOMPARE(fields.exitCode, 0);
    QVERIFY(fields.out.contains(QStringLiteral("Package: korvane")));
    QVERIFY(fields.out.contains(QStringLiteral("Version: " KORVANE_PROJECT_VERSION)));
    // Found by dpkg-shlibdeps from the programs' libraries, beside the plug-ins named by hand.
    for (const char *dependency : {"libqt6widgets6", "libqt6sql6 ", "libcurl4", "libgsf-1-114",
                                   "libqt6sql6-sqlite", "ca-certificates"})
      QVERIFY2(fields.out.contains(QLatin1String(dependency)), dependency);
  }

  void contents() {
    for (const char *path :
         {"usr/lib/korvane/korvane", "usr/lib/korvane/korvane-cli", "usr/lib/korvane/mass.txt",
          "usr/lib/korvane/工资表样例.xls", "usr/lib/korvane/help/index.html",
          "usr/lib/korvane/help/troubleshooting.html",
          "usr/share/icons/hicolor/scalable/apps/korvane.svg"})
      QVERIFY2(QFile::exists(root_ + '/' + QString::fromUtf8(path)), path);
    for (const char *program : {"korvane", "korvane-cli"}) {
      const QFileInfo link(root_ + "/usr/bin/" + program);
      QVERIFY2(link.isSymLink(), program);
      QCOMPARE(link.symLinkTarget(), QFileInfo(root_ + "/usr/lib/korvane/" + program).filePath());
    }
    QFile desktop(root_ + "/usr/share/applications/korvane.desktop");
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(desktop.readAll());
    QVERIFY(entry.contains(QStringLiteral("\nName=Korvane 工资条群发\n")));
    QVERIFY(entry.contains(QStringLiteral("\nExec=korvane\n")));
    QVERIFY(entry.contains(QStringLiteral("\nIcon=korvane\n")));
    if (!QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty()) {
      const Run valid = run(QStringLiteral("desktop-file-validate"), {desktop.fileName()});
      QVERIFY2(valid.exitCode == 0, qPrintable(valid.out + valid.err));
    }
  }

  // korvane-cli and the program, started by a user who cannot write the installed folder,
  // keep everything in that user's data folder.
  void startsFromAReadOnlyFolder() {
    const QString home = scratch_.filePath("home");
    QVERIFY(QDir().mkpath(home));
    QStringList asUser;
    if (geteuid() == 0) {
      if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("setpriv is missing: cannot start the program as an ordinary user");
      const Run owner = run(QStringLiteral("chown"), {"nobody:nogroup", home});
      QVERIFY2(owner.exitCode == 0, qPrintable(owner.err));
      asUser = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    } else {
      const Run readOnly = run(QStringLiteral("chmod"), {"-R", "a-w", root_ + "/usr"});
      QCOMPARE(readOnly.exitCode, 0);
    }
    const QString data = home + "/.local/share/Korvane/";
    const QString installed = root_ + "/usr/lib/korvane/";
    const QStringList installedBefore = QDir(installed).entryList(QDir::Files | QDir::Hidden);

    QProcessEnvironment env;
    env.insert("HOME", home);
    env.insert("PATH", "/usr/bin:/bin");
    env.insert("LC_ALL", "C.UTF-8");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    const auto command = [&](const QStringList &line) {
      QStringList args = asUser.mid(1) + line;
      return asUser.isEmpty() ? std::pair(line.first(), line.mid(1))
                              : std::pair(asUser.first(), args);
    };

    const auto [cli, cliArgs] = command({root_ + "/usr/bin/korvane-cli", "folder"});
    const Run folder = run(cli, cliArgs, 30000, env);
    QVERIFY2(folder.exitCode == 0, qPrintable(folder.err));
    QCOMPARE(folder.out.trimmed(), data);
    QVERIFY(QFile::exists(data + "mass.txt"));
    QVERIFY(QFile::exists(data + "工资表样例.xls"));

    // The program itself, in a network namespace of its own so its downloads reach nothing:
    // its first show creates payslip.mdb, and the provider directory is filled from the
    // shipped list the folder was seeded with.
    QStringList gui;
    if (geteuid() == 0 && !QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
      gui << "unshare"
          << "--net";
    else
      QSKIP("the program is started only where it can be kept off the network (root)");
    gui << asUser << root_ + "/usr/bin/korvane";
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(gui.first(), gui.mid(1));
    QVERIFY(program.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000 && smtpServerRows(data + "payslip.mdb") <= 0 &&
           program.state() == QProcess::Running)
      QTest::qWait(200);
    const bool running = program.state() == QProcess::Running;
    program.terminate();
    if (!program.waitForFinished(5000)) {
      program.kill();
      program.waitForFinished();
    }
    QVERIFY2(running, qPrintable(QString::fromUtf8(program.readAllStandardError())));
    QVERIFY(QFile::exists(data + "payslip.mdb"));
    QVERIFY(smtpServerRows(data + "payslip.mdb") > 0);
    QCOMPARE(QDir(installed).entryList(QDir::Files | QDir::Hidden), installedBefore);
  }

 private:
  QTemporaryDir scratch_;
  QString deb_;
  QString root_;
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
