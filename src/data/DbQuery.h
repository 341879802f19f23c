#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariant>

class DbConnection;

// A query object on one connection, as the SQL helpers use it: open on a select's result
// positioned on its first row, or closed.
class DbQuery {
 public:
  explicit DbQuery(DbConnection &connection);
  DbQuery(const DbQuery &) = delete;
  DbQuery &operator=(const DbQuery &) = delete;

  DbConnection &connection() { return connection_; }

  bool isOpen() const { return open_; }
  void close();
  // Runs a select and positions on its first row. Error text: the engine's message.
  bool open(const QString &sql, QString &errorText);
  // Runs a statement that returns no rows; the query is closed afterwards.
  bool exec(const QString &sql, QString &errorText);
  // The parameterised form, for statements with :named parameters.
  bool prepare(const QString &sql, QString &errorText);
  void bindValue(const QString &placeholder, const QVariant &value);
  bool execPrepared(QString &errorText);

  bool eof() const;
  void next();
  void first();
  int recordCount();
  QVariant field(int index) const;
  QVariant fieldByName(const QString &name) const;
  QSqlQuery &sqlQuery() { return query_; }

 private:
  DbConnection &connection_;
  QSqlQuery query_;
  bool open_ = false;
  int recordCount_ = -1;
};
