#pragma once

#include <QDialog>
#include <QString>

// The send list window: the batch in payslip, the choice of rows, the send options kept in
// Mass.ini, and the send engine's log, progress and status. Opened modally by the conversion
// window after a worksheet was converted, and by the main window to continue a batch.
class TFormSend : public QDialog {
  Q_OBJECT

 public:
  explicit TFormSend(QWidget *parent = nullptr);

  // The mail subject: read from Mass.ini at creation; a caller may overwrite it before showing.
  QString EmailTitle;

  // The first status panel: the conversion summary ("共转换…").
  void setSummaryText(const QString &text);
};
