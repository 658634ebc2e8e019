#include "desktop/shell/SingleInstance.h"

#include <QLocalSocket>
#include <unistd.h>

namespace mirrodex {

QString SingleInstance::ServerName() {
  // One window per user and display: another desktop session of the same user is another
  // screen, where a window of its own belongs.
  return QStringLiteral("Mirrodex Window.%1.%2").arg(getuid()).arg(qEnvironmentVariable("DISPLAY", QStringLiteral("-")));
}

bool SingleInstance::RaiseRunning(int timeoutMs) {
  QLocalSocket socket;
  socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
  socket.connectToServer(ServerName());
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write("raise\n");
  socket.waitForBytesWritten(timeoutMs);
  // The first instance answers once it has raised its window.
  socket.waitForReadyRead(timeoutMs);
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::Listen() {
  server_.setSocketOptions(QLocalServer::AbstractNamespaceOption);
  if (!server_.listen(ServerName())) return false;
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      connect(client, &QLocalSocket::readyRead, client, [this, client] {
        if (!client->readAll().contains("raise")) return;
        if (onRaise_) onRaise_();
        client->write("ok\n");
        client->flush();
      });
    }
  });
  return true;
}

}  // namespace mirrodex
