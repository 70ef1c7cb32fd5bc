#pragma once
// The far end of a network port, played by a test on 127.0.0.1: a listening server and
// its latest client, and what that client sent since it connected.
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <string>

namespace quilmo::test {

struct FarServer {
    QTcpServer server;
    QTcpSocket* client = nullptr;
    std::string received;
    quint16 port = 0;

    // On `at`, or on a free port when 0; `port` says which.
    bool listen(quint16 at = 0) {
        if (!server.listen(QHostAddress::LocalHost, at)) return false;
        port = server.serverPort();
        return true;
    }
    // True once a client is connected; made for QTRY_VERIFY.
    bool accepted() {
        if (server.hasPendingConnections()) {
            client = server.nextPendingConnection();
            received.clear();
        }
        return client != nullptr && client->state() == QAbstractSocket::ConnectedState;
    }
    void send(const std::string& bytes) const {
        client->write(bytes.data(), static_cast<qint64>(bytes.size()));
        client->flush();
    }
    const std::string& collect() {
        if (client != nullptr) received += client->readAll().toStdString();
        return received;
    }
    // The server goes away altogether: no listener, the connection cut.
    void drop() {
        server.close();
        if (client != nullptr) client->abort();
        client = nullptr;
    }
    // Gone and back on the same port.
    bool restart() {
        drop();
        return listen(port);
    }
};

}  // namespace quilmo::test
