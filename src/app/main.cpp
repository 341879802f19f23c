#include <QApplication>

#include "AppWindows.h"
#include "Application.h"
#include "UfrmMain.h"
#include "data/Data.h"

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
  DataModule1 = nullptr;
  return result;
}
