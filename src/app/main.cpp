#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "AppWindows.h"
#include "Application.h"
#include "UfrmMain.h"
#include "data/Data.h"
#include "threads/BackgroundThread.h"

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  SetUpApplication(app);
  RegisterStandardWindows();

  // The main window first (its creation starts the upgrade check and the advertisement
  // download), then the data module; the database opens when the window is first shown.
  TFormMain mainWindow;
  TDataModule1 dataModule;
  DataModule1 = &dataModule;
  mainWindow.show();
  const int result = QApplication::exec();
  dataModule.CheckpointLog();  // payslip.mdb alone is complete, also on the early exit below
  // A background download or directory update may still run: end the process here rather
  // than tear down the objects it uses under it. An unfinished directory update was one
  // uncommitted transaction, which SQLite rolls back.
  if (RunningBackgroundThreads() > 0) {
    std::fflush(nullptr);
    std::_Exit(result);
  }
  DataModule1 = nullptr;
  return result;
}
