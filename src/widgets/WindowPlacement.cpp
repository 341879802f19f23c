#include "WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>

namespace {
QWidget *mainWindowBesides(const QWidget *window) {
  for (QWidget *top : QApplication::topLevelWidgets())
    if (top != window && top->isVisible() && qobject_cast<QMainWindow *>(top)) return top;
  return nullptr;
}

// Sees the window's first Show event, which comes before the window is mapped (and after a
// dialog's own placement over its parent), then removes itself.
class FirstShowPlacer : public QObject {
 public:
  FirstShowPlacer(QWidget *window, WindowPlacement placement)
      : QObject(window), placement_(placement) {}
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Show && watched == parent()) {
      PlaceWindow(static_cast<QWidget *>(watched), placement_);
      watched->removeEventFilter(this);
      deleteLater();
    }
    return false;
  }

 private:
  WindowPlacement placement_;
};
}  // namespace

void PlaceWindow(QWidget *window, WindowPlacement placement) {
  QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect desktop = screen->availableGeometry();
  QPoint centre = desktop.center();
  if (placement == WindowPlacement::MainWindowCentre) {
    if (const QWidget *main = mainWindowBesides(window)) centre = main->frameGeometry().center();
  }
  QRect frame = window->frameGeometry();
  frame.moveCenter(centre);
  // Over a main window near the edge, the window still opens whole on the desktop.
  if (frame.right() > desktop.right()) frame.moveRight(desktop.right());
  if (frame.bottom() > desktop.bottom()) frame.moveBottom(desktop.bottom());
  if (frame.left() < desktop.left()) frame.moveLeft(desktop.left());
  if (frame.top() < desktop.top()) frame.moveTop(desktop.top());
  window->move(frame.topLeft());
}

void PlaceOnFirstShow(QWidget *window, WindowPlacement placement) {
  window->installEventFilter(new FirstShowPlacer(window, placement));
}
