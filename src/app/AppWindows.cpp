#include "AppWindows.h"

#include <map>

#include "mailservers/UfrmSetSMTPServer.h"
#include "sending/UfrmSend.h"
#include "services/About.h"
#include "services/UfrmAdmire.h"
#include "services/UfrmSendMeEmail.h"
#include "workbook/ImportCommand.h"

namespace {
std::map<AppWindow, WindowFactory> &factories() {
  static std::map<AppWindow, WindowFactory> map;
  return map;
}
ImportCommand &importCommand() {
  static ImportCommand command;
  return command;
}
}  // namespace

void RegisterWindow(AppWindow window, WindowFactory factory) {
  factories()[window] = std::move(factory);
}

WindowFactory RegisteredWindow(AppWindow window) {
  auto it = factories().find(window);
  return it == factories().end() ? WindowFactory() : it->second;
}

void RegisterImportCommand(ImportCommand command) { importCommand() = std::move(command); }

ImportCommand RegisteredImportCommand() { return importCommand(); }

void ClearRegisteredWindows() {
  factories().clear();
  importCommand() = nullptr;
}

void RegisterStandardWindows() {
  // The windows the main window opens, each from its own subsystem.
  RegisterWindow(AppWindow::SetSMTPServer,
                 [](QWidget *parent) -> QDialog * { return new TFormSetSMTPServer(parent); });
  RegisterWindow(AppWindow::Send,
                 [](QWidget *parent) -> QDialog * { return new TFormSend(parent); });
  RegisterImportCommand([](QWidget *mainWindow) { ActionLoadSalaryExcelFile(mainWindow); });
  RegisterWindow(AppWindow::Admire,
                 [](QWidget *parent) -> QDialog * { return new TFormAdmire(parent); });
  RegisterWindow(AppWindow::SendMe,
                 [](QWidget *parent) -> QDialog * { return new TFormSendMeEmail(parent); });
  RegisterWindow(AppWindow::About,
                 [](QWidget *parent) -> QDialog * { return new TAboutBox(parent); });
}
