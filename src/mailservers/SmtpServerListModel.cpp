#include "SmtpServerListModel.h"

#include <QSqlError>
#include <QSqlQuery>

#include "data/DbConnection.h"
#include "data/SqlText.h"
#include "sending/SmtpClient.h"

namespace {
const char *const kResultColumns[] = {"名称", "电子邮件地址", "发件服务器",   "帐号",
                                      "密码", "端口号",       "是否需要验证", "编号"};
const char *const kLabels[] = {"名称", "电子邮件地址", "发件服务器(SMTP)", "帐号",
                               "密码", "端口号",       "是否需要验证",     "编号"};
}  // namespace

SmtpServerListModel::SmtpServerListModel(DbConnection &connection, QObject *parent)
    : QAbstractTableModel(parent), connection_(connection), query_(connection) {}

QString SmtpServerListModel::statement() {
  return QStringLiteral(
             "SELECT smtp_server.[server_name] as 名称, emailaddress as 电子邮件地址,"
             "smtp_server.[host] as 发件服务器, smtp_server.[username] as 帐号, "
             "smtp_server.[pwd] as 密码, smtp_server.[port] as 端口号, smtp_server.[login] as "
             "是否需要验证,smtp_server.[server_id] as 编号") +
         QStringLiteral("\r\nFROM smtp_server");
}

QString SmtpServerListModel::resultColumnName(int column) {
  return column >= 0 && column < ColumnCount ? QString::fromUtf8(kResultColumns[column])
                                             : QString();
}

bool SmtpServerListModel::reload(QString &errorText) {
  beginResetModel();
  const bool wasEditing = isEditing();
  rows_.clear();
  editRow_ = -1;
  pending_.clear();
  bool ok = query_.open(statement(), errorText);
  for (; ok && !query_.eof(); query_.next()) {
    QVector<QVariant> row(ColumnCount);
    for (int c = 0; c < ColumnCount; ++c) row[c] = query_.field(c);
    row[Login] = row[Login].toBool();
    rows_.append(row);
  }
  query_.close();
  endResetModel();
  if (wasEditing) emit editingChanged(false);
  return ok;
}

int SmtpServerListModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : int(rows_.size());
}

int SmtpServerListModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant SmtpServerListModel::value(int row, int column) const {
  if (row < 0 || row >= rows_.size() || column < 0 || column >= ColumnCount) return {};
  return row == editRow_ ? pending_[column] : rows_[row][column];
}

QVariant SmtpServerListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid()) return {};
  const QVariant v = value(index.row(), index.column());
  if (index.column() == Login) {
    if (role == Qt::CheckStateRole) return v.toBool() ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::EditRole) return v.toBool();
    return {};
  }
  if (role == Qt::DisplayRole || role == Qt::EditRole) return v;
  return {};
}

QVariant SmtpServerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section >= 0 && section < ColumnCount ? QString::fromUtf8(kLabels[section]) : QVariant();
}

Qt::ItemFlags SmtpServerListModel::flags(const QModelIndex &index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() != Id) f |= Qt::ItemIsEditable;
  return f;
}

bool SmtpServerListModel::edit(int row) {
  if (row < 0 || row >= rows_.size()) return false;
  if (editRow_ == row) return true;
  if (isEditing()) return false;
  editRow_ = row;
  pending_ = rows_[row];
  emit editingChanged(true);
  return true;
}

bool SmtpServerListModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (!index.isValid() || role != Qt::EditRole || index.column() == Id) return false;
  if (!edit(index.row())) return false;
  pending_[index.column()] = index.column() == Login ? QVariant(value.toBool()) : value;
  emit dataChanged(index, index);
  return true;
}

int SmtpServerListModel::serverId(int row) const {
  return row >= 0 && row < rows_.size() ? rows_[row][Id].toInt() : -1;
}

int SmtpServerListModel::rowOfServer(int id) const {
  for (int r = 0; r < rows_.size(); ++r)
    if (rows_[r][Id].toInt() == id) return r;
  return -1;
}

bool SmtpServerListModel::post(QString &errorText) {
  if (!isEditing()) return true;
  // An integer column: a text that is not a number never reaches the table.
  QVariant port = pending_[Port];
  if (port.toString().isEmpty()) {
    port = QVariant();
  } else {
    int number = 0;
    if (!ReadWholeNumber(port.toString(), number)) {
      errorText = QStringLiteral("'%1'不是有效的整数值").arg(port.toString());
      return false;
    }
    if (!IsValidSmtpPort(number)) {
      errorText = InvalidPortText(port.toString());
      return false;
    }
    port = number;
  }
  if (!connection_.ensureOpen(errorText)) return false;
  QSqlQuery update(connection_.database());
  update.prepare(
      QStringLiteral("update smtp_server set server_name=?, emailaddress=?, host=?, "
                     "username=?, pwd=?, port=?, login=? where server_id=?"));
  for (int c : {Name, Email, Host, UserName, Password}) update.addBindValue(pending_[c]);
  update.addBindValue(port);
  update.addBindValue(pending_[Login].toBool() ? 1 : 0);
  update.addBindValue(pending_[Id]);
  if (!update.exec()) {
    errorText = EngineMessage(update.lastError());
    return false;
  }
  pending_[Port] = port;
  rows_[editRow_] = pending_;
  const int row = editRow_;
  editRow_ = -1;
  pending_.clear();
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
  emit editingChanged(false);
  return true;
}

void SmtpServerListModel::cancel() {
  if (!isEditing()) return;
  const int row = editRow_;
  editRow_ = -1;
  pending_.clear();
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
  emit editingChanged(false);
}

bool SmtpServerListModel::removeServer(int row, QString &errorText) {
  if (row < 0 || row >= rows_.size()) return false;
  cancel();
  QString statementError;
  if (!query_.exec(QStringLiteral("delete from smtp_server where server_id=") +
                       QString::number(serverId(row)),
                   statementError)) {
    errorText = statementError;
    return false;
  }
  beginRemoveRows(QModelIndex(), row, row);
  rows_.removeAt(row);
  endRemoveRows();
  return true;
}
