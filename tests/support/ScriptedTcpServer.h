#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A line-oriented server on a free loopback port that plays a fixed script: each step's
// chunk is written, in one piece, once the client has sent that many lines on the
// connection. Every connection plays the script from the start and records its lines.
class ScriptedTcpServer : public QObject {
  Q_OBJECT

 public:
  struct Step {
    int afterLines;  // lines received on this connection before the chunk goes out
    QByteArray chunk;
    int delayMs = 0;  // wait this long once due, so that the chunk arrives on its own
  };

  explicit ScriptedTcpServer(QList<Step> script, QObject *parent = nullptr);
  ~ScriptedTcpServer() override;

  bool listen();
  quint16 port() const { return server_.serverPort(); }

  int connectionCount() const { return connections_.size(); }
  // Lines received on a connection (the latest one by default), without their CR LF.
  QStringList lines(int connection = -1) const;
  bool isClosed(int connection = -1) const;

 private:
  struct Connection {
    QTcpSocket *socket = nullptr;
    QByteArray pending;
    QStringList lines;
    int nextStep = 0;
    bool closed = false;
  };

  void accept();
  void playDueSteps(Connection &connection);
  const Connection &at(int connection) const;

  QList<Step> script_;
  QTcpServer server_;
  QList<Connection *> connections_;
};
