#pragma once

class QWidget;

// Where a window opens.
enum class WindowPlacement {
  DesktopCentre,     // centred on the work area of its screen
  MainWindowCentre,  // centred over the program's main window (on the desktop without one)
};

// Places the window when it is first shown, before it appears, and never again: a window the
// user has moved stays where it is. Without this, a window opens where the window manager (or,
// without one, the top left corner) puts it.
void PlaceOnFirstShow(QWidget *window, WindowPlacement placement);

// The placement itself, at once.
void PlaceWindow(QWidget *window, WindowPlacement placement);
