#include "AccountInsert.h"

#include "data/SqlText.h"

QString BuildAccountInsert(const AccountFields &f) {
  const QString comma = QStringLiteral(",");
  return QStringLiteral(
             "insert into smtp_server(server_name,host,username,pwd,port,login,"
             "emailaddress,email_type) values(") +
         QuotedSqlText(f.serverName) + comma + QuotedSqlText(f.host) + comma +
         QuotedSqlText(f.loginName) + comma + QuotedSqlText(f.password) + comma + f.portText +
         comma + (f.needLogin ? QStringLiteral("true,") : QStringLiteral("false,")) +
         QuotedSqlText(f.email) + comma + QString::number(f.typeIndex + 1) + QStringLiteral(")");
}

int TestPortFromText(const QString &text) {
  int port = 0;
  return ReadWholeNumber(text, port) ? port : 25;
}
