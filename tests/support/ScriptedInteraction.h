#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>

#include "widgets/Interaction.h"

// Answers every message, confirmation, file dialog and modal window from a script and records
// what was shown. Installed for its lifetime.
class ScriptedInteraction : public Interaction {
 public:
  enum class Kind { Message, Box, Confirm, Error, FileDialog, Modal, External };
  struct Shown {
    Kind kind;
    QString caption;
    QString text;  // message text, dialog class name, or the opened address
    Icon icon = Icon::None;
    bool acceptIsDefault = false;  // a confirmation whose Yes/OK button Enter presses
  };

  ScriptedInteraction();
  ~ScriptedInteraction() override;

  // Answers given in order; when a queue is empty the default applies.
  std::deque<bool> confirmAnswers;
  bool defaultConfirm = false;
  std::deque<QString> fileNames;
  // Called for each modal window instead of showing it; its return value is the window's
  // result. The default records the window and returns Rejected.
  std::function<int(QDialog *)> onModal;
  bool externalOpenSucceeds = true;

  QList<Shown> shown;
  QStringList messages() const;      // texts of messages, boxes, confirmations and errors
  QStringList modalWindows() const;  // class names of the modal windows, in order
  QList<QUrl> opened() const;
  void clear() { shown.clear(); }

  void showMessage(const QString &text) override;
  void messageBox(const QString &text, const QString &caption, Icon icon) override;
  bool confirm(const QString &text, const QString &caption, Icon icon, Buttons buttons,
               Default defaultButton = Default::Reject) override;
  void showError(const QString &text) override;
  QString openFileName(QWidget *parent, const QString &caption, const QString &filter) override;
  int execModal(QDialog *dialog) override;
  bool openExternally(const QUrl &url) override;
};
