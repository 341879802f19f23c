#include "ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {
QScreen *screenOf(const QWidget *w) {
  QScreen *s = w ? w->screen() : nullptr;
  return s ? s : QGuiApplication::primaryScreen();
}
}  // namespace

int TaskbarHeight(const QWidget *onScreenOf) {
  QScreen *s = screenOf(onScreenOf);
  if (!s) return 0;
  const int gap = s->geometry().bottom() - s->availableGeometry().bottom();
  return gap > 0 ? gap : 0;
}

int TallWindowHeight(const QWidget *onScreenOf) {
  QScreen *s = screenOf(onScreenOf);
  const int screenHeight = s ? s->geometry().height() : 768;
  return screenHeight - 2 * TaskbarHeight(onScreenOf);
}
