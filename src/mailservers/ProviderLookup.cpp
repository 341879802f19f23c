#include "ProviderLookup.h"

#include "data/Data.h"
#include "data/Scramble.h"
#include "data/SqlText.h"

QString DomainOfAddress(const QString &address) {
  const qsizetype at = address.indexOf(QLatin1Char('@'));
  return at < 0 ? address : address.mid(at + 1);
}

LookupOutcome LookUpProvider(const QString &domain, ProviderFill &fill, QString &errorText) {
  return LookUpProvider(DataModule1->ADOQueryAccessComm, domain, fill, errorText);
}

LookupOutcome LookUpProvider(DbQuery &query, const QString &domain, ProviderFill &fill,
                             QString &errorText) {
  if (!SqlOpen(QStringLiteral("select * from smtpservers where domain_name=") +
                   QuotedSqlText(ScrambleText(domain)),
               query, errorText))
    return LookupOutcome::Failed;
  const int rows = query.recordCount();
  if (rows == 0) return LookupOutcome::NotFound;
  if (rows > 1) return LookupOutcome::Ambiguous;
  try {
    fill.memo = UnscrambleText(query.fieldByName(QStringLiteral("memo")).toString());
    fill.personal =
        query.fieldByName(QStringLiteral("email_type")).toString() == QLatin1String("1");
    fill.serverName = UnscrambleText(query.fieldByName(QStringLiteral("server_name")).toString());
    fill.host = UnscrambleText(query.fieldByName(QStringLiteral("host")).toString());
    fill.port = QString::number(query.fieldByName(QStringLiteral("port")).toInt());
    fill.login = query.fieldByName(QStringLiteral("login")).toBool();
  } catch (const ScrambleError &e) {
    errorText = QString::fromStdString(e.what());
    return LookupOutcome::Unreadable;
  }
  return LookupOutcome::Found;
}

bool ReadProviderNames(QStringList &names, QString &errorText) {
  return ReadProviderNames(DataModule1->ADOQueryAccessComm, names, errorText);
}

bool ReadProviderNames(DbQuery &query, QStringList &names, QString &errorText) {
  names.clear();
  if (!query.open(QStringLiteral("select server_name from smtpservers"), errorText)) return false;
  bool ok = true;
  for (; !query.eof(); query.next()) {
    QString name;
    if (!TryUnscrambleText(query.field(0).toString(), name)) {
      errorText = QStringLiteral("'%1' is not a scrambled text").arg(query.field(0).toString());
      ok = false;
      break;
    }
    names << name;
  }
  query.close();
  return ok;
}
