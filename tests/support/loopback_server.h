#pragma once

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>

namespace wormpair::testing {

// HTTP/1.1 on 127.0.0.1, one request per connection, in this thread: it
// answers while the downloader waits in its event loop.
class LoopbackServer {
  public:
    enum class Behaviour { Serve, Cut, Silent };
    std::map<QString, QByteArray> files;  // by path, query ignored
    std::map<QString, Behaviour> behaviour;
    QStringList requests;  // every request's path with its query, in order

    LoopbackServer() {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead,
                                 [this, socket] { answer(socket); });
            }
        });
    }
    QString base() const { return QString("http://127.0.0.1:%1").arg(m_server.serverPort()); }

  private:
    void answer(QTcpSocket* socket) {
        QByteArray& request = m_requests[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) return;
        const QString target = QString::fromLatin1(request.split(' ').value(1));
        requests << target;
        const QString path = target.section('?', 0, 0);
        const Behaviour how = behaviour.count(path) ? behaviour[path] : Behaviour::Serve;
        if (how == Behaviour::Silent) return;
        const auto found = files.find(path);
        if (found == files.end()) {
            socket->write(
                "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        } else {
            const QByteArray& body = found->second;
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                          "\r\nConnection: close\r\n\r\n");
            socket->write(how == Behaviour::Cut ? body.left(body.size() / 2) : body);
        }
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    std::map<QTcpSocket*, QByteArray> m_requests;
};

}  // namespace wormpair::testing
