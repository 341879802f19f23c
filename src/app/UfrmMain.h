#pragma once

#include <QMainWindow>

#include "AppWindows.h"

class QAction;
class QLabel;
class QPushButton;
class QStatusBar;

// The home screen: start a new send from a payroll workbook, continue the last one, keep the
// sender accounts, and reach help, feedback and the About box.
class TFormMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TFormMain(QWidget *parent = nullptr);

  QStatusBar *statusBar1() const { return StatusBar1; }

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void buildActions();
  void buildMenu();
  void buildContent();
  void openDatabaseOnFirstShow();
  void showRegisteredWindow(AppWindow window);

  void loadSalaryExcelFile();
  void continueLastSend();
  void setSmtpServer();
  void help();
  void showFormatRequirements();
  void openSampleWorkbook();

  QAction *ActionLoadSalaryExcelFile = nullptr;
  QAction *ActionContinue = nullptr;
  QAction *ActionSetSMTPServer = nullptr;
  QAction *ActionHelp = nullptr;
  QAction *ActionAdmire = nullptr;
  QAction *ActionSendMe = nullptr;
  QAction *ActionAbout = nullptr;
  QPushButton *ButtonLoad = nullptr;
  QPushButton *ButtonContinue = nullptr;
  QStatusBar *StatusBar1 = nullptr;
  bool shownOnce_ = false;
};

// The messages of the main window's commands.
extern const char *const kOpenDatabaseError;  // "打开数据库错误："
