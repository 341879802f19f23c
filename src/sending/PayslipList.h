#pragma once

#include <QList>
#include <QString>
#include <vector>

class DbQuery;

// One row of the payslip table as the send list holds it.
struct PayslipRow {
  int payslipId = 0;
  QString f1;
  QString f2;  // the employee's name
  QString f3;
  QString emailAddress;
  QString htmlStr;
  bool sendStatus = false;
  QString smtpServer;
  QString sendTime;
  QString excelFileName;
  QString errMsg;
  int rowNumber = 0;
};

// The send list: a snapshot of `select * from payslip` in ascending payslip_id, with the set of
// rows selected for this send. The selection belongs to the list, not to the database, and is
// emptied whenever the list is closed or reopened.
class PayslipList {
 public:
  bool open(DbQuery &query, QString &errorText);
  void close();
  bool isOpen() const { return open_; }
  int count() const { return static_cast<int>(rows_.size()); }
  const PayslipRow &row(int index) const { return rows_.at(static_cast<size_t>(index)); }
  PayslipRow &row(int index) { return rows_.at(static_cast<size_t>(index)); }

  bool isSelected(int index) const { return selected_.at(static_cast<size_t>(index)); }
  void setSelected(int index, bool on) { selected_.at(static_cast<size_t>(index)) = on; }
  int selectedCount() const;

  // The four selection commands. The first two do nothing (and return false) unless the list
  // is open and holds a row; the walks of the last two run on any list.
  bool selectAll();
  bool unselectAll();
  void reverseSelection();
  void selectUnsent();

 private:
  bool open_ = false;
  std::vector<PayslipRow> rows_;
  std::vector<bool> selected_;
};

// The subject with the name in front: name + "," + subject, or the subject alone when the
// name is empty.
QString GetTitleWithName(const QString &name, const QString &emailTitle);
