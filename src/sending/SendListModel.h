#pragma once

#include <QAbstractTableModel>

class PayslipList;

// The send list's columns over a PayslipList: "本次是否发送" (the selection, as a check box),
// "姓名", "电子邮箱" and "已发送" (send_status, a read-only check box).
class SendListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Selected, Name, Email, SendStatus, ColumnCount };

  explicit SendListModel(PayslipList &list, QObject *parent = nullptr);

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;

  // The list was reopened or its selection changed as a whole.
  void reset();
  void rowChanged(int row);
  void selectionChanged();

 private:
  PayslipList &list_;
};
