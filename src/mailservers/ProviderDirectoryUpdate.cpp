#include "ProviderDirectoryUpdate.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "ProviderListParser.h"
#include "data/CodePage.h"
#include "data/Data.h"
#include "data/DbConnection.h"
#include "data/DbQuery.h"
#include "data/ProgramFolder.h"
#include "network/Download.h"
#include "services/MakerSite.h"
#include "threads/RunCoordinator.h"

namespace {
RunCoordinator &updateRuns() {
  static RunCoordinator coordinator;
  return coordinator;
}

bool readFile(const QString &path, QByteArray &bytes) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  bytes = file.readAll();
  return true;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
  QSaveFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// Reads the list into the emptied table. The delete and all inserts form one transaction, so a
// reader on another connection sees the old directory until the new one is complete.
bool fillDirectory(DbConnection &connection, DbQuery &query, const QByteArray &bytes,
                   bool deletedOld) {
  QFile log(ProgramFolder() + QStringLiteral("Err.txt"));
  if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const auto logLine = [&log](const QString &text) {
    log.write(ToAnsiCodePage(text + QStringLiteral("\r\n")));
  };
  if (deletedOld) logLine(QStringLiteral("delete!"));

  QSqlDatabase db = connection.database();
  QString error;
  if (!connection.ensureOpen(error)) return false;
  const bool inTransaction = db.transaction();
  if (!SqlExec(QStringLiteral("delete from smtpservers"), query, error)) logLine(error);
  bool readToEnd = true;
  for (const QString &line : ProviderListParser::splitLines(FromAnsiCodePage(bytes))) {
    QString statement;
    const auto verdict =
        ProviderListParser::buildInsert(ProviderListParser::splitFields(line), statement);
    if (verdict == ProviderListParser::Verdict::Stop) {
      readToEnd = false;
      break;
    }
    if (verdict == ProviderListParser::Verdict::Skip) continue;
    if (!SqlExec(statement, query, error)) logLine(error);
  }
  // Rows inserted before a bad line stay, as they would without the transaction.
  if (inTransaction && !db.commit()) {
    db.rollback();
    return false;
  }
  return readToEnd;
}
}  // namespace

// Outside any namespace, as Q_INIT_RESOURCE requires; the list lives in the static core library,
// whose resource is linked in only through this call.
static void initShippedListResource() { Q_INIT_RESOURCE(providers); }

QByteArray ShippedProviderList() {
  [[maybe_unused]] static const bool initialised = [] {
    initShippedListResource();
    return true;
  }();
  QByteArray bytes;
  readFile(QStringLiteral(":/providers/mass.txt"), bytes);
  return bytes;
}

QString ProviderListAddress() { return MakerSiteAddress() + QStringLiteral("/download/mass.txt"); }

bool UpdateProviderDirectory(ProviderDirectoryMode mode) {
  // Opening a missing file would create an empty one, which the next start would take for a
  // database without tables.
  if (!QFileInfo::exists(PayslipDatabasePath())) return false;
  DbConnection connection;
  PointAtPayslipDatabase(connection);
  DbQuery query(connection);
  QString error;
  if (!SqlOpen(QStringLiteral("select count(*) from smtpservers"), query, error)) return false;
  const int count = query.field(0).toInt();
  query.close();
  if (mode == ProviderDirectoryMode::IfEmpty && count >= 1) return false;

  const QString listPath = ProgramFolder() + QStringLiteral("mass.txt");
  QByteArray previousList;
  const bool hadOld = QFileInfo::exists(listPath);
  if (hadOld) {
    readFile(listPath, previousList);
    QFile::remove(listPath);
  }
  QByteArray list;
  if (DownloadUrlToFile(ProviderListAddress(), listPath, error)) {
    if (!readFile(listPath, list)) return false;
  } else {
    // Offline on an empty directory: the list left by an earlier run, else the copy compiled
    // into the program (the file may be gone: an offline always-mode run deletes it), still
    // fills it, so the look-up works from the first start. The folder gets that list back.
    if (count > 0) return false;
    list = previousList.isEmpty() ? ShippedProviderList() : previousList;
    if (list.isEmpty()) return false;
    writeFile(listPath, list);
  }
  return fillDirectory(connection, query, list, hadOld);
}

void RefreshProviderDirectory(ProviderDirectoryMode mode) {
  updateRuns().run([mode] { UpdateProviderDirectory(mode); });
}
