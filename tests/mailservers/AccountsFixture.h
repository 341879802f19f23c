#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTest>
#include <functional>

#include "threads/BackgroundThread.h"

// Records background threads instead of starting them; the bodies can be run by the test.
class RecordedThreads {
 public:
  RecordedThreads() {
    SetBackgroundStarter([this](const char *name, std::function<void()> body) {
      names << QString::fromLatin1(name);
      bodies.push_back(std::move(body));
    });
  }
  ~RecordedThreads() { SetBackgroundStarter(nullptr); }
  QStringList names;
  std::vector<std::function<void()>> bodies;
};

// A child widget or action by its objectName; fails the test when it is missing.
template <typename T>
T *Child(QObject *parent, const char *name) {
  T *child = parent->findChild<T *>(QLatin1String(name));
  if (!child) qWarning("no child %s", name);
  return child;
}

// The smtp_server rows in insert order as
// "server_name|host|username|pwd|port|login|emailaddress|email_type".
QStringList AccountRows();
// Adds an account with the given name, host and port through the shared query.
bool AddAccount(const QString &name, const QString &host, const QString &port,
                const QString &user = QStringLiteral("user"),
                const QString &password = QStringLiteral("secret"), bool login = true);
