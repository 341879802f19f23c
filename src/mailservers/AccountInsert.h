#pragma once

#include <QString>

// A new sender account as typed into the account editor.
struct AccountFields {
  QString serverName;
  QString host;
  QString loginName;
  QString password;
  QString portText;  // goes into the statement exactly as typed
  bool needLogin = true;
  QString email;
  int typeIndex = -1;  // 0 personal, 1 enterprise, -1 none chosen; stored as index + 1
};

// The insert into smtp_server, every text as a string literal and the port bare.
QString BuildAccountInsert(const AccountFields &fields);

// The port the test connects to: the text as a whole number, or 25.
int TestPortFromText(const QString &text);
