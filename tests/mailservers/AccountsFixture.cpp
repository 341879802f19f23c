#include "AccountsFixture.h"

#include "mailservers/AccountInsert.h"
#include "support/TestDatabase.h"

QStringList AccountRows() {
  QStringList rows;
  QString error;
  DbQuery &q = DataModule1->ADOQueryAccessComm;
  if (!SqlOpen(QStringLiteral("select server_name,host,username,pwd,port,login,emailaddress,"
                              "email_type from smtp_server order by server_id"),
               q, error)) {
    qWarning("%s", qPrintable(error));
    return rows;
  }
  for (; !q.eof(); q.next()) {
    QStringList fields;
    for (int c = 0; c < 8; ++c) fields << q.field(c).toString();
    rows << fields.join(QLatin1Char('|'));
  }
  q.close();
  return rows;
}

bool AddAccount(const QString &name, const QString &host, const QString &port, const QString &user,
                const QString &password, bool login) {
  AccountFields f;
  f.serverName = name;
  f.host = host;
  f.loginName = user;
  f.password = password;
  f.portText = port;
  f.needLogin = login;
  f.email = user + QStringLiteral("@example.com");
  f.typeIndex = 0;
  return Exec(BuildAccountInsert(f));
}
