#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QVariant>
#include <QVector>

#include "data/DbQuery.h"

class DbConnection;

// The sender accounts of smtp_server as the server settings window shows them: the rows of one
// statement with Chinese result columns, read into memory (a static cursor), with one row at a
// time in edit mode. A post writes each result column back to its table column by server_id.
class SmtpServerListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Result columns, in the statement's order.
  enum Column { Name, Email, Host, UserName, Password, Port, Login, Id, ColumnCount };

  explicit SmtpServerListModel(DbConnection &connection, QObject *parent = nullptr);

  static QString statement();
  static QString resultColumnName(int column);  // 名称, 电子邮件地址, ...

  // Runs the statement again; pending changes are dropped. On failure the list is empty.
  bool reload(QString &errorText);

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  // Changing a value puts its row into edit mode; only the row in edit mode can be changed.
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

  // The value shown for a row, a pending change included.
  QVariant value(int row, int column) const;
  int serverId(int row) const;
  int rowOfServer(int serverId) const;  // -1 when not listed

  bool isEditing() const { return editRow_ >= 0; }
  int editingRow() const { return editRow_; }
  bool edit(int row);
  // Writes the row in edit mode to the database; on failure it stays in edit mode and
  // errorText holds the database's message, or the refusal of a port outside 1..65535.
  bool post(QString &errorText);
  void cancel();
  bool removeServer(int row, QString &errorText);

 signals:
  void editingChanged(bool editing);

 private:
  DbConnection &connection_;
  DbQuery query_;
  QList<QVector<QVariant>> rows_;
  int editRow_ = -1;
  QVector<QVariant> pending_;
};
