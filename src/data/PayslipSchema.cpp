#include "PayslipSchema.h"

namespace {
// A text column of at most n characters: SQLite does not enforce a declared width, so a CHECK
// makes an over-long value fail the statement.
QString varchar(const char *name, int width) {
  return QStringLiteral("%1 varchar(%2) check(length(%1)<=%2)").arg(QLatin1String(name)).arg(width);
}

QString payslipColumns() {
  return QStringList{
      QStringLiteral("payslip_id integer primary key autoincrement"),
      varchar("f1", 50),
      varchar("f2", 50),
      varchar("f3", 50),
      varchar("email_address", 255),
      QStringLiteral("html_str text"),
      QStringLiteral("send_status bit default 0"),
      varchar("smtp_server", 255),
      QStringLiteral("send_time datetime default (date('now','localtime'))"),
      varchar("excel_file_name", 255),
      QStringLiteral("err_msg text"),
      QStringLiteral("row_number int"),
  }
      .join(QStringLiteral(", "));
}
}  // namespace

QStringList PayslipTableStatements() {
  const QString id = QStringLiteral("integer primary key autoincrement");
  return {
      QStringLiteral("create table payslip(%1)").arg(payslipColumns()),
      QStringLiteral("create table slip(%1)").arg(payslipColumns()),
      QStringLiteral("create table smtp_server(server_id %1, %2, %3, %4, %5, "
                     "port integer default 25, login bit default 1, %6, email_type integer)")
          .arg(id, varchar("server_name", 50), varchar("host", 255), varchar("username", 255),
               varchar("pwd", 255), varchar("emailaddress", 255)),
      QStringLiteral("create table smtpservers(server_id %1, %2, %3, port integer default 25, "
                     "login bit default 1, email_type integer, %4, [memo] text)")
          .arg(id, varchar("server_name", 255), varchar("host", 255), varchar("domain_name", 255)),
      QStringLiteral("create table sheet_choise(choise_id %1, sheet_id integer, %2, "
                     "selected bit default 0)")
          .arg(id, varchar("sheet_name", 255)),
  };
}
