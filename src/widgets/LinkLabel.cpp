#include "LinkLabel.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent) {
  QFont f = font();
  f.setBold(true);
  f.setUnderline(true);
  setFont(f);
  setStyleSheet(QStringLiteral("color: #d6d6d6; background: transparent; font-size: 14px;"));
  setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
  QLabel::mouseReleaseEvent(event);
}
