#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>

namespace tovelo::test {

// A tiny HTTP server on loopback that answers GET requests from a table of paths; every other
// path gets a "not found" page like a real server's. `silent` accepts and never answers.
class LoopbackPublisher {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
    };

    LoopbackPublisher() {
        server->listen(QHostAddress::LocalHost, 0);
        QObject::connect(server.get(), &QTcpServer::newConnection, server.get(), [this] {
            while (QTcpSocket* socket = server->nextPendingConnection())
                serve(socket);
        });
    }

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(server->serverPort()); }
    void put(const QString& path, const QByteArray& body, int status = 200) {
        files.insert(path, {status, body});
    }

    QHash<QString, Answer> files;
    QStringList requests;
    bool silent = false;
    std::function<void(const QString&)> onRequest; // runs while the client waits

private:
    void serve(QTcpSocket* socket) {
        auto received = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            *received += socket->readAll();
            if (!received->contains("\r\n\r\n"))
                return;
            const QList<QByteArray> requestLine = received->left(received->indexOf('\r')).split(' ');
            const QString path = QString::fromLatin1(requestLine.value(1));
            requests << path;
            if (onRequest)
                onRequest(path);
            if (silent)
                return;
            const Answer answer = files.value(
                path, {404, "<!DOCTYPE HTML>\n<html><body>Arquivo inexistente</body></html>\n"});
            socket->write("HTTP/1.1 " + QByteArray::number(answer.status) +
                          " X\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                          "\r\nConnection: close\r\n\r\n" + answer.body);
            socket->disconnectFromHost();
        });
    }

    std::unique_ptr<QTcpServer> server = std::make_unique<QTcpServer>();
};

// An update file as the publisher writes it: a header line per record, then a closing header
// line and one last empty line.
inline QByteArray updateFile(const QList<std::pair<QByteArray, QByteArray>>& records) {
    QByteArray out;
    for (const auto& [title, text] : records)
        out += " " + title + " # " + text + "\r\n";
    return out + "#\r\n\r\n";
}

} // namespace tovelo::test
