#include "Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

static void initResources() { Q_INIT_RESOURCE(korvane); }

void SetUpApplication(QApplication &app) {
  // The pictures and icons live in the window library, a static library.
  initResources();
  // The application title. No display name: Qt would append it to every window's title in the
  // window system (" — Korvane"), and the captions are the windows' own.
  QApplication::setApplicationName(QStringLiteral("Korvane"));
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  // Qt's own texts (standard buttons, context menus) in Chinese, where the translations exist.
  auto *translator = new QTranslator(&app);
  if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(translator);
}
