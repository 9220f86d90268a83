#pragma once

#include "Signature.h"

#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace tovelo::test {

// A tiny HTTP server on loopback that answers GET requests from a table of paths; every other
// path gets a "not found" page like a real server's. Given a certificate and its key, it speaks
// HTTPS. Asked as a proxy, it sees the whole address ("http://host/path", or "host:443" for a
// tunnel). While `hold` is set, requests wait unanswered until release(). Given a secret key,
// every ".txt" file put() gets its signature beside it, as the publisher's tool makes it.
class LoopbackPublisher {
public:
    // Writes an answer to the request's connection.
    using Answer = std::function<void(QTcpSocket*)>;

    LoopbackPublisher(const QSslCertificate& certificate = QSslCertificate(),
                      const QSslKey& key = QSslKey())
        : server(certificate.isNull() ? new QTcpServer : new QSslServer) {
        if (auto* tls = qobject_cast<QSslServer*>(server.get())) {
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.setLocalCertificate(certificate);
            configuration.setPrivateKey(key);
            tls->setSslConfiguration(configuration);
        }
        server->listen(QHostAddress::LocalHost, 0);
        QObject::connect(server.get(), &QTcpServer::pendingConnectionAvailable, server.get(),
                         [this] {
                             while (QTcpSocket* socket = server->nextPendingConnection())
                                 QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                                  [this, socket] { arrived(socket); });
                         });
    }

    QUrl url() const {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2")
                        .arg(qobject_cast<QSslServer*>(server.get()) ? "https" : "http")
                        .arg(server->serverPort()));
    }

    void put(const QString& path, const QByteArray& body, int status = 200) {
        putRaw(path, "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " +
                         QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        if (signer && path.endsWith(QLatin1String(".txt")))
            put(path + QStringLiteral(".minisig"),
                signData(*signer, body, "file:" + QUrl(path).fileName().toUtf8()));
    }
    // The answer's bytes exactly as given, head and all, then the connection closes.
    void putRaw(const QString& path, const QByteArray& answer) {
        route(path, [answer](QTcpSocket* socket) {
            socket->write(answer);
            socket->disconnectFromHost();
        });
    }
    void route(const QString& path, Answer answer) { answers.insert(path, std::move(answer)); }

    void release() {
        hold = false;
        for (const auto& [socket, path] : std::as_const(held))
            if (socket) answer(socket, path);
        held.clear();
    }

    QStringList requests;
    bool hold = false;
    std::optional<SecretKey> signer;

private:
    // Once the whole request head has arrived.
    void arrived(QTcpSocket* socket) {
        if (!socket->peek(socket->bytesAvailable()).contains("\r\n\r\n")) return;
        requests << QString::fromLatin1(socket->readAll().split(' ').value(1));
        if (hold)
            held.append({socket, requests.last()});
        else
            answer(socket, requests.last());
    }
    void answer(QTcpSocket* socket, const QString& path) {
        if (const auto found = answers.constFind(path); found != answers.cend()) {
            (*found)(socket);
            return;
        }
        const QByteArray page = "<!DOCTYPE HTML>\n<html><body>Arquivo inexistente</body></html>\n";
        socket->write("HTTP/1.1 404 X\r\nContent-Type: text/html\r\nContent-Length: " +
                      QByteArray::number(page.size()) + "\r\nConnection: close\r\n\r\n" + page);
        socket->disconnectFromHost();
    }

    QHash<QString, Answer> answers;
    QList<std::pair<QPointer<QTcpSocket>, QString>> held;
    std::unique_ptr<QTcpServer> server;
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
