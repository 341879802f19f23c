#include "DbQuery.h"

#include <QSqlError>
#include <QSqlRecord>

#include "DbConnection.h"

DbQuery::DbQuery(DbConnection &connection) : connection_(connection) {}

void DbQuery::close() {
  query_.finish();
  query_ = QSqlQuery();
  open_ = false;
  recordCount_ = -1;
}

bool DbQuery::open(const QString &sql, QString &errorText) {
  close();
  if (!connection_.ensureOpen(errorText)) return false;
  query_ = QSqlQuery(connection_.database());
  if (!query_.exec(sql)) {
    errorText = EngineMessage(query_.lastError());
    close();
    return false;
  }
  if (!query_.isSelect()) {
    errorText = QStringLiteral("语句没有返回记录集");
    close();
    return false;
  }
  open_ = true;
  query_.first();
  return true;
}

bool DbQuery::exec(const QString &sql, QString &errorText) {
  close();
  if (!connection_.ensureOpen(errorText)) return false;
  query_ = QSqlQuery(connection_.database());
  const bool ok = query_.exec(sql);
  if (!ok) errorText = EngineMessage(query_.lastError());
  close();
  return ok;
}

bool DbQuery::prepare(const QString &sql, QString &errorText) {
  close();
  if (!connection_.ensureOpen(errorText)) return false;
  query_ = QSqlQuery(connection_.database());
  if (!query_.prepare(sql)) {
    errorText = EngineMessage(query_.lastError());
    close();
    return false;
  }
  return true;
}

void DbQuery::bindValue(const QString &placeholder, const QVariant &value) {
  query_.bindValue(placeholder, value);
}

bool DbQuery::execPrepared(QString &errorText) {
  const bool ok = query_.exec();
  if (!ok) errorText = EngineMessage(query_.lastError());
  query_.finish();
  return ok;
}

bool DbQuery::eof() const { return !open_ || !query_.isValid(); }

void DbQuery::next() {
  if (open_) query_.next();
}

void DbQuery::first() {
  if (open_) query_.first();
}

int DbQuery::recordCount() {
  if (!open_) return 0;
  if (recordCount_ < 0) {
    const int here = query_.at();
    recordCount_ = query_.last() ? query_.at() + 1 : 0;
    if (here >= 0)
      query_.seek(here);
    else
      query_.first();
  }
  return recordCount_;
}

QVariant DbQuery::field(int index) const { return eof() ? QVariant() : query_.value(index); }

QVariant DbQuery::fieldByName(const QString &name) const {
  return eof() ? QVariant() : query_.value(name);
}
