// The send window as the program runs it, on the program folder given: it sends every unsent
// payslip with the options of the folder's Mass.ini, answers No to the retry question, and
// quits at the end of the pass. tst_sendcrash kills it in the middle.
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "app/Application.h"
#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "sending/UfrmSend.h"
#include "support/ScriptedInteraction.h"

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  SetUpApplication(app);
  if (argc != 2) {
    std::fputs("usage: send_window_runner FOLDER\n", stderr);
    return 2;
  }
  SetProgramFolderForTesting(QString::fromLocal8Bit(argv[1]));
  TDataModule1 module;
  DataModule1 = &module;
  QString error;
  if (!OpenPayslipDatabase(error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 2;
  }
  ScriptedInteraction ui;
  QPointer<TFormSend> form = new TFormSend;  // it may free itself when closed
  form->show();
  QTimer::singleShot(0, form, [form] {
    form->findChild<QPushButton *>(QStringLiteral("ButtonSend"))->click();
    std::puts("sending");
    std::fflush(stdout);
    auto *idle = new QTimer(form);
    QObject::connect(idle, &QTimer::timeout, form, [form] {
      if (!form->isSending()) QCoreApplication::quit();
    });
    idle->start(20);
  });
  const int status = app.exec();
  delete form.data();
  return status;
}
