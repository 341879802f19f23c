#pragma once

class QWidget;

// The height of a task bar docked at the bottom of the screen (screen height minus the bottom
// of the available area), 0 otherwise.
int TaskbarHeight(const QWidget *onScreenOf = nullptr);
// The height given to the conversion and send windows: the screen minus twice the task bar.
int TallWindowHeight(const QWidget *onScreenOf = nullptr);
