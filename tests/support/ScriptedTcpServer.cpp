#include "ScriptedTcpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

ScriptedTcpServer::ScriptedTcpServer(QList<Step> script, QObject *parent)
    : QObject(parent), script_(std::move(script)) {
  connect(&server_, &QTcpServer::newConnection, this, &ScriptedTcpServer::accept);
}

ScriptedTcpServer::~ScriptedTcpServer() { qDeleteAll(connections_); }

bool ScriptedTcpServer::listen() { return server_.listen(QHostAddress::LocalHost, 0); }

void ScriptedTcpServer::accept() {
  while (QTcpSocket *socket = server_.nextPendingConnection()) {
    auto *connection = new Connection;
    connection->socket = socket;
    connections_ << connection;
    connect(socket, &QTcpSocket::readyRead, this, [this, connection] {
      connection->pending += connection->socket->readAll();
      qsizetype end;
      while ((end = connection->pending.indexOf("\r\n")) >= 0) {
        connection->lines << QString::fromLatin1(connection->pending.left(end));
        connection->pending.remove(0, end + 2);
      }
      playDueSteps(*connection);
    });
    connect(socket, &QTcpSocket::disconnected, this, [connection] { connection->closed = true; });
    playDueSteps(*connection);
  }
}

void ScriptedTcpServer::playDueSteps(Connection &connection) {
  while (connection.nextStep < script_.size() &&
         script_.at(connection.nextStep).afterLines <= connection.lines.size()) {
    const Step &step = script_.at(connection.nextStep++);
    QPointer<QTcpSocket> socket = connection.socket;
    auto write = [socket, chunk = step.chunk] {
      if (!socket) return;
      socket->write(chunk);
      socket->flush();
    };
    if (step.delayMs > 0)
      QTimer::singleShot(step.delayMs, this, write);
    else
      write();
  }
}

const ScriptedTcpServer::Connection &ScriptedTcpServer::at(int connection) const {
  return *connections_.at(connection < 0 ? connections_.size() - 1 : connection);
}

QStringList ScriptedTcpServer::lines(int connection) const {
  return connections_.isEmpty() ? QStringList() : at(connection).lines;
}

bool ScriptedTcpServer::isClosed(int connection) const {
  return connections_.isEmpty() ? false : at(connection).closed;
}
