#pragma once

class QApplication;

// Names the application and loads Qt's own Chinese texts; the same for the program and the
// GUI tests.
void SetUpApplication(QApplication &app);
