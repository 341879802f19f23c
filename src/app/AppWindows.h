#pragma once

#include <functional>

class QDialog;
class QWidget;

// The windows and commands the main window opens. Each subsystem registers its own in
// RegisterStandardWindows(); a command without a registration is shown disabled.
enum class AppWindow { Send, SetSMTPServer, Admire, SendMe, About };

using WindowFactory = std::function<QDialog *(QWidget *parent)>;
// The workbook import command, run with the main window as parent.
using ImportCommand = std::function<void(QWidget *mainWindow)>;

void RegisterWindow(AppWindow window, WindowFactory factory);
WindowFactory RegisteredWindow(AppWindow window);
void RegisterImportCommand(ImportCommand command);
ImportCommand RegisteredImportCommand();
void ClearRegisteredWindows();

// Registers the program's windows and the import command.
void RegisterStandardWindows();
