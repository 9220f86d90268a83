#pragma once

#include <QHash>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

namespace tovelo::test {

// A tiny HTTP server on loopback that answers GET requests from a table of paths; every other
// path gets a "not found" page like a real server's. `silent` accepts and never answers.
class LoopbackPublisher {
public:
    LoopbackPublisher() {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { answer(socket); });
        });
    }

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }
    void put(const QString& path, const QByteArray& body, int status = 200) {
        files.insert(path, {status, body});
    }

    QStringList requests;
    bool silent = false;

private:
    // Once the whole request head has arrived.
    void answer(QTcpSocket* socket) {
        if (!socket->peek(socket->bytesAvailable()).contains("\r\n\r\n")) return;
        requests << QString::fromLatin1(socket->readAll().split(' ').value(1));
        if (silent) return;
        const auto [status, body] =
            files.value(requests.last(),
                        {404, "<!DOCTYPE HTML>\n<html><body>Arquivo inexistente</body></html>\n"});
        socket->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QHash<QString, std::pair<int, QByteArray>> files;
    QTcpServer server;
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
