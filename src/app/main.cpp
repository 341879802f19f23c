#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "AppWindows.h"
#include "UfrmMain.h"
#include "data/Data.h"

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvane"));
  QApplication::setApplicationDisplayName(QStringLiteral("Korvane"));
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));

  // Qt's own texts (standard buttons, context menus) in Chinese.
  QTranslator qtTranslator;
  if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTranslator);

  RegisterStandardWindows();
  TFormMain mainWindow;
  TDataModule1 dataModule;
  DataModule1 = &dataModule;
  mainWindow.show();
  const int result = QApplication::exec();
  DataModule1 = nullptr;
  return result;
}
