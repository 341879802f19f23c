#include "ProviderListFixture.h"

#include <QFile>

#include "data/Scramble.h"
#include "mailservers/ProviderListParser.h"
#include "support/TestDatabase.h"

QByteArray ProviderLine(const QStringList &plainFields) {
  QStringList scrambled;
  for (const QString &field : plainFields) scrambled << ScrambleText(field);
  return scrambled.join(QLatin1Char('\t')).toLatin1();
}

QByteArray ProviderList(const QList<QByteArray> &lines) {
  QByteArray out;
  for (const QByteArray &line : lines) out += line + "\r\n";
  return out;
}

QStringList DirectoryRows() {
  QStringList rows;
  QString error;
  DbQuery &q = DataModule1->ADOQueryAccessComm;
  if (!SqlOpen(QStringLiteral("select server_name,host,port,login,email_type,domain_name,[memo] "
                              "from smtpservers order by server_id"),
               q, error)) {
    qWarning("%s", qPrintable(error));
    return rows;
  }
  for (; !q.eof(); q.next()) {
    QString name, host, domain, memo;
    TryUnscrambleText(q.field(0).toString(), name);
    TryUnscrambleText(q.field(1).toString(), host);
    TryUnscrambleText(q.field(5).toString(), domain);
    TryUnscrambleText(q.field(6).toString(), memo);
    rows << QStringList{name,
                        host,
                        q.field(2).toString(),
                        q.field(3).toString(),
                        q.field(4).toString(),
                        domain,
                        memo}
                .join(QLatin1Char('|'));
  }
  q.close();
  return rows;
}

bool AddDirectoryRow(const QStringList &plainFields) {
  QString statement;
  QStringList fields;
  for (const QString &field : plainFields) fields << ScrambleText(field);
  if (ProviderListParser::buildInsert(fields, statement) != ProviderListParser::Verdict::Insert)
    return false;
  return Exec(statement);
}

QByteArray ReadBytes(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
