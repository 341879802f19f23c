#pragma once

#include <QDialog>
#include <QPixmap>

class QStatusBar;

// The appreciation window: a picture that a phone payment app scans to tip the authors.
class TFormAdmire : public QDialog {
  Q_OBJECT

 public:
  explicit TFormAdmire(QWidget *parent = nullptr);

  const QPixmap &picture() const { return picture_; }

 protected:
 private:
  QPixmap picture_;
  QStatusBar *StatusBar1 = nullptr;
};
