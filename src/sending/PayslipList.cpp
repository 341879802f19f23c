#include "PayslipList.h"

#include <algorithm>

#include "data/DbQuery.h"

bool PayslipList::open(DbQuery &query, QString &errorText) {
  close();
  QString engine;
  if (!query.open(QStringLiteral("select * from payslip order by payslip_id"), engine)) {
    errorText = engine;
    return false;
  }
  auto text = [&](const char *name) { return query.fieldByName(QLatin1String(name)).toString(); };
  for (; !query.eof(); query.next()) {
    PayslipRow r;
    r.payslipId = query.fieldByName(QStringLiteral("payslip_id")).toInt();
    r.f1 = text("f1");
    r.f2 = text("f2");
    r.f3 = text("f3");
    r.emailAddress = text("email_address");
    r.htmlStr = text("html_str");
    r.sendStatus = query.fieldByName(QStringLiteral("send_status")).toBool();
    r.smtpServer = text("smtp_server");
    r.sendTime = text("send_time");
    r.excelFileName = text("excel_file_name");
    r.errMsg = text("err_msg");
    r.rowNumber = query.fieldByName(QStringLiteral("row_number")).toInt();
    rows_.push_back(std::move(r));
  }
  query.close();
  selected_.assign(rows_.size(), false);
  open_ = true;
  return true;
}

void PayslipList::close() {
  rows_.clear();
  selected_.clear();
  open_ = false;
}

int PayslipList::selectedCount() const {
  return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

bool PayslipList::selectAll() {
  if (!open_ || rows_.empty()) return false;
  selected_.assign(rows_.size(), true);
  return true;
}

bool PayslipList::unselectAll() {
  if (!open_ || rows_.empty()) return false;
  selected_.assign(rows_.size(), false);
  return true;
}

void PayslipList::reverseSelection() {
  for (size_t i = 0; i < selected_.size(); ++i) selected_[i] = !selected_[i];
}

void PayslipList::selectUnsent() {
  for (size_t i = 0; i < rows_.size(); ++i) selected_[i] = !rows_[i].sendStatus;
}

QString GetTitleWithName(const QString &name, const QString &emailTitle) {
  return name.isEmpty() ? emailTitle : name + QLatin1Char(',') + emailTitle;
}
