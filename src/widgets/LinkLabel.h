#pragma once

#include <QLabel>

// A label styled as a link (bold, underlined, grey, hand cursor) that reports clicks.
class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent *event) override;
};
