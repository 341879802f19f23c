#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real HTTP server on 127.0.0.1 for one test (tests/support/http_server.py): serves the files
// of root(), answers chosen paths with a status code, a redirect or after a delay, and records
// every request it got.
class HttpTestServer {
 public:
  struct Options {
    QList<QPair<QString, int>> statuses;       // path, HTTP status
    QList<QPair<QString, QString>> redirects;  // path, target
    QList<QPair<QString, double>> delays;      // path, seconds before the answer
  };

  HttpTestServer();
  ~HttpTestServer();

  // Starts the server; false (with a warning) when it does not come up.
  bool start(const Options &options = {});
  void stop();

  QString root() const;  // the served folder, ends with '/'
  bool putFile(const QString &relativePath, const QByteArray &content);
  QString baseUrl() const;  // "http://127.0.0.1:<port>"
  int port() const { return port_; }

  struct Request {
    QString path;
    double start = 0;
    double end = 0;       // when the answer began to go out
    QJsonObject headers;  // lower-case names
  };
  QList<Request> requests() const;

 private:
  QTemporaryDir dir_;
  QProcess process_;
  int port_ = 0;
};
