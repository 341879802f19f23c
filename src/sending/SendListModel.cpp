#include "SendListModel.h"

#include "PayslipList.h"

SendListModel::SendListModel(PayslipList &list, QObject *parent)
    : QAbstractTableModel(parent), list_(list) {}

int SendListModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : list_.count();
}

int SendListModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant SendListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= list_.count()) return {};
  const PayslipRow &row = list_.row(index.row());
  const auto check = [](bool on) { return on ? Qt::Checked : Qt::Unchecked; };
  switch (index.column()) {
    case Selected:
      if (role == Qt::CheckStateRole) return check(list_.isSelected(index.row()));
      break;
    case Name:
      if (role == Qt::DisplayRole) return row.f2;
      break;
    case Email:
      if (role == Qt::DisplayRole) return row.emailAddress;
      break;
    case SendStatus:
      if (role == Qt::CheckStateRole) return check(row.sendStatus);
      break;
    default:
      break;
  }
  return {};
}

QVariant SendListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  switch (section) {
    case Selected:
      return QStringLiteral("本次是否发送");
    case Name:
      return QStringLiteral("姓名");
    case Email:
      return QStringLiteral("电子邮箱");
    case SendStatus:
      return QStringLiteral("已发送");
    default:
      return {};
  }
}

Qt::ItemFlags SendListModel::flags(const QModelIndex &index) const {
  // Read only: the selection column is toggled by the window on a click, not by the view.
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void SendListModel::reset() {
  beginResetModel();
  endResetModel();
}

void SendListModel::rowChanged(int row) {
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void SendListModel::selectionChanged() {
  if (list_.count() > 0) emit dataChanged(index(0, Selected), index(list_.count() - 1, Selected));
}
