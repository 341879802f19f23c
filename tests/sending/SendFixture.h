#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "data/Clock.h"

class SendEngine;

// The waits and random draws of a pass: nothing really waits, every wait is recorded, and the
// draws are the ones the test chose (0 once they run out).
class RecordingClock : public Clock {
 public:
  QList<int> waitsMs;
  QList<int> draws;
  QList<int> bounds;
  QStringList *events = nullptr;  // when set, each wait also goes there as "wait N"
  void sleepMs(int milliseconds) override;
  int randomBelow(int bound) override;
};

// Everything a pass reports, in order: "progress N", "row I", "log TEXT", "archived I",
// "status TEXT", "message TEXT", "finished SENT/FAILED[ stopped]" (plus the waits, when the
// clock is given the same list).
struct EngineEvents {
  QStringList events;
  QStringList logLines;
  QStringList statusTexts;
  QStringList messages;
  int sent = -1;
  int failed = -1;
  bool stopped = false;
  bool recordFailed = false;
  void listen(SendEngine &engine);
  // Only the events of the given kinds, without their kind word when just one kind is asked.
  QStringList only(const QStringList &kinds) const;
};

// Rows and accounts in the payslip.mdb of the installed data module.
namespace SendFixture {
// One payslip row per address: f2 "员工<n>", html "<p>工资条 n</p>"; returns the payslip_ids.
QList<int> addPayslips(const QStringList &addresses, bool sent = false);
int addAccount(const QString &name, const QString &host, int port,
               const QString &from = QStringLiteral("hr@example.com"), bool login = false);
QList<bool> sendStatuses();
QStringList errorTexts();
// Each slip row as "f2:email_address:send_status", in archive order.
QStringList archive();
}  // namespace SendFixture
