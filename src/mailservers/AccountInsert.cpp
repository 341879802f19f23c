#include "AccountInsert.h"

#include <QRegularExpression>

#include "data/Data.h"
#include "data/SqlText.h"
#include "sending/SmtpClient.h"

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

QStringList AccountInsertSecrets(const AccountFields &f) {
  return {QuotedSqlText(f.password), f.password};
}

bool SaveNewAccount(const AccountFields &fields, DbQuery &query, QString &errorText) {
  // Any length of digits, so that a number beyond 32 bits is refused too, not passed on.
  static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]+$"));
  const QString port = fields.portText.trimmed();
  if (wholeNumber.match(port).hasMatch()) {
    bool fits = false;
    const qint64 number = port.toLongLong(&fits);
    if (!fits || !IsValidSmtpPort(number)) {
      errorText = InvalidPortText(fields.portText);
      return false;
    }
  }
  return SqlExec(BuildAccountInsert(fields), query, errorText, AccountInsertSecrets(fields));
}

int TestPortFromText(const QString &text) {
  int port = 0;
  return ReadWholeNumber(text, port) ? port : 25;
}
