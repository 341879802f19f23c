#pragma once

#include <QSvgRenderer>
#include <QWidget>

// The main window's client area: a picture stretched over the whole of it.
class BackgroundPanel : public QWidget {
 public:
  explicit BackgroundPanel(const QString &svgPicture, QWidget *parent = nullptr);

 protected:
  void paintEvent(QPaintEvent *event) override;

 private:
  QSvgRenderer picture_;
};
