#include "Interaction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
QtInteraction qtInteraction;
Interaction *installed = nullptr;

// Our messages break lines with CR (or CR LF); Qt's boxes want LF.
QString forDisplay(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QMessageBox::Icon toQt(Interaction::Icon icon) {
  switch (icon) {
    case Interaction::Icon::Information:
      return QMessageBox::Information;
    case Interaction::Icon::Warning:
      return QMessageBox::Warning;
    case Interaction::Icon::Error:
      return QMessageBox::Critical;
    case Interaction::Icon::Question:
      return QMessageBox::Question;
    case Interaction::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}
}  // namespace

Interaction &Interaction::current() { return installed ? *installed : qtInteraction; }

void Interaction::setCurrent(Interaction *interaction) { installed = interaction; }

void QtInteraction::showMessage(const QString &text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), forDisplay(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.exec();
}

void QtInteraction::messageBox(const QString &text, const QString &caption, Icon icon) {
  QMessageBox box(toQt(icon), caption, forDisplay(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.exec();
}

bool QtInteraction::confirm(const QString &text, const QString &caption, Icon icon, Buttons buttons,
                            Default defaultButton) {
  const bool yesNo = buttons == Buttons::YesNo;
  const auto accept = yesNo ? QMessageBox::Yes : QMessageBox::Ok;
  const auto reject = yesNo ? QMessageBox::No : QMessageBox::Cancel;
  QMessageBox box(toQt(icon), caption.isEmpty() ? QApplication::applicationDisplayName() : caption,
                  forDisplay(text), accept | reject, QApplication::activeWindow());
  box.button(accept)->setText(yesNo ? QStringLiteral("是(&Y)") : QStringLiteral("确定"));
  box.button(reject)->setText(yesNo ? QStringLiteral("否(&N)") : QStringLiteral("取消"));
  box.setDefaultButton(defaultButton == Default::Accept ? accept : reject);
  return box.exec() == accept;
}

void QtInteraction::showError(const QString &text) {
  messageBox(text, QApplication::applicationDisplayName(), Icon::Error);
}

QString QtInteraction::openFileName(QWidget *parent, const QString &caption,
                                    const QString &filter) {
  return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

int QtInteraction::execModal(QDialog *dialog) { return dialog->exec(); }

bool QtInteraction::openExternally(const QUrl &url) { return QDesktopServices::openUrl(url); }
