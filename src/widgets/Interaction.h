#pragma once

#include <QString>
#include <QUrl>

class QDialog;
class QWidget;

// Every message box, confirmation, file dialog, modal window and desktop hand-off goes through
// here, so that tests can answer them and record what the user was shown.
class Interaction {
 public:
  enum class Icon { None, Information, Warning, Error, Question };
  enum class Buttons { YesNo, OkCancel };
  // Which button Enter presses.
  enum class Default { Reject, Accept };

  virtual ~Interaction() = default;

  // A plain message with one OK button.
  virtual void showMessage(const QString &text) = 0;
  // A message box with its own caption and icon, one OK button.
  virtual void messageBox(const QString &text, const QString &caption, Icon icon) = 0;
  // A confirmation; true for Yes or OK.
  virtual bool confirm(const QString &text, const QString &caption, Icon icon, Buttons buttons,
                       Default defaultButton = Default::Reject) = 0;
  // The application's general error box, for errors no window handles itself.
  virtual void showError(const QString &text) = 0;
  // The file-open dialog; an empty text when the user cancels. filter in Qt's form,
  // e.g. "Excel Files (*.xls *.xlsx)".
  virtual QString openFileName(QWidget *parent, const QString &caption, const QString &filter) = 0;
  // Shows a window modally and returns its result code.
  virtual int execModal(QDialog *dialog) = 0;
  // Opens a file or web address with the desktop's default application.
  virtual bool openExternally(const QUrl &url) = 0;

  static Interaction &current();
  // Installs another implementation (tests); nullptr restores the Qt one. Not owned.
  static void setCurrent(Interaction *interaction);
};

// The real one: Qt message boxes, QFileDialog, QDialog::exec and QDesktopServices.
class QtInteraction : public Interaction {
 public:
  void showMessage(const QString &text) override;
  void messageBox(const QString &text, const QString &caption, Icon icon) override;
  bool confirm(const QString &text, const QString &caption, Icon icon, Buttons buttons,
               Default defaultButton = Default::Reject) override;
  void showError(const QString &text) override;
  QString openFileName(QWidget *parent, const QString &caption, const QString &filter) override;
  int execModal(QDialog *dialog) override;
  bool openExternally(const QUrl &url) override;
};
