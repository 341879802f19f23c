#include "BackgroundPanel.h"

#include <QPainter>

BackgroundPanel::BackgroundPanel(const QString &svgPicture, QWidget *parent)
    : QWidget(parent), picture_(svgPicture) {
  picture_.setAspectRatioMode(Qt::IgnoreAspectRatio);
}

void BackgroundPanel::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (picture_.isValid()) picture_.render(&painter, QRectF(rect()));
}
