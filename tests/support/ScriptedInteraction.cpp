#include "ScriptedInteraction.h"

#include <QDialog>

ScriptedInteraction::ScriptedInteraction() { Interaction::setCurrent(this); }

ScriptedInteraction::~ScriptedInteraction() { Interaction::setCurrent(nullptr); }

QStringList ScriptedInteraction::messages() const {
  QStringList out;
  for (const Shown &s : shown)
    if (s.kind == Kind::Message || s.kind == Kind::Box || s.kind == Kind::Confirm ||
        s.kind == Kind::Error)
      out << s.text;
  return out;
}

QStringList ScriptedInteraction::modalWindows() const {
  QStringList out;
  for (const Shown &s : shown)
    if (s.kind == Kind::Modal) out << s.text;
  return out;
}

QList<QUrl> ScriptedInteraction::opened() const {
  QList<QUrl> out;
  for (const Shown &s : shown)
    if (s.kind == Kind::External) out << QUrl(s.text);
  return out;
}

void ScriptedInteraction::showMessage(const QString &text) {
  shown.append({Kind::Message, QString(), text});
}

void ScriptedInteraction::messageBox(const QString &text, const QString &caption, Icon icon) {
  shown.append({Kind::Box, caption, text, icon});
}

bool ScriptedInteraction::confirm(const QString &text, const QString &caption, Icon icon, Buttons,
                                  Default defaultButton) {
  shown.append({Kind::Confirm, caption, text, icon, defaultButton == Default::Accept});
  if (confirmAnswers.empty()) return defaultConfirm;
  const bool answer = confirmAnswers.front();
  confirmAnswers.pop_front();
  return answer;
}

void ScriptedInteraction::showError(const QString &text) {
  shown.append({Kind::Error, QString(), text});
}

QString ScriptedInteraction::openFileName(QWidget *, const QString &caption,
                                          const QString &filter) {
  shown.append({Kind::FileDialog, caption, filter});
  if (fileNames.empty()) return {};
  const QString name = fileNames.front();
  fileNames.pop_front();
  return name;
}

int ScriptedInteraction::execModal(QDialog *dialog) {
  shown.append(
      {Kind::Modal, dialog->windowTitle(), QString::fromLatin1(dialog->metaObject()->className())});
  return onModal ? onModal(dialog) : QDialog::Rejected;
}

bool ScriptedInteraction::openExternally(const QUrl &url) {
  shown.append({Kind::External, QString(), url.toString()});
  return externalOpenSucceeds;
}
