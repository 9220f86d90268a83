#include "Net.h"

#include "HttpReader.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxyFactory>
#include <QTcpSocket>
#include <QTimer>

namespace tovelo {
namespace {

QString& hostOverride() {
    static QString host;
    return host;
}

// Set when the program was asked to end while a request waited: no further request starts.
bool& ending() {
    static bool e = false;
    return e;
}

bool isLoopback(const QString& host) {
    const QHostAddress address(host);
    if (!address.isNull()) return address.isLoopback();
    return host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0;
}

// The proxy the system's settings (proxy variables in the environment, the desktop's
// settings) name for `url`. A loopback host is always reached directly: a proxy cannot reach
// the local publisher on the user's behalf.
QNetworkProxy proxyFor(const QUrl& url) {
    if (!isLoopback(url.host())) {
        for (const QNetworkProxy& proxy :
             QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url))) {
            switch (proxy.type()) {
            case QNetworkProxy::HttpProxy:
            case QNetworkProxy::HttpCachingProxy:
            case QNetworkProxy::Socks5Proxy:
                return proxy;
            case QNetworkProxy::NoProxy:
            case QNetworkProxy::DefaultProxy:
                return QNetworkProxy::NoProxy;
            case QNetworkProxy::FtpCachingProxy:
                break;
            }
        }
    }
    return QNetworkProxy::NoProxy;
}

} // namespace

QString publisherHost() {
    return hostOverride().isEmpty() ? QStringLiteral(TOVELO_PUBLISHER_HOST) : hostOverride();
}

void setPublisherHost(const QString& host) {
    hostOverride() = host;
}

bool programEnding() {
    return ending();
}

// The answer is read here rather than through QNetworkAccessManager, which can report a
// chunked body cut short by a closed connection as complete.
HttpAnswer httpGet(const QUrl& url, std::chrono::milliseconds limit, qint64 maxBytes) {
    HttpAnswer answer;
    if (ending() || QCoreApplication::closingDown()) {
        answer.error = QStringLiteral("O programa está sendo encerrado.");
        return answer;
    }
    if (url.scheme() != QLatin1String("http") || url.host().isEmpty()) {
        answer.error = QStringLiteral("Endereço não suportado: ") + url.toString();
        return answer;
    }
    const QNetworkProxy proxy = proxyFor(url);
    const bool httpProxy =
        proxy.type() == QNetworkProxy::HttpProxy || proxy.type() == QNetworkProxy::HttpCachingProxy;
    const QByteArray authority = url.adjusted(QUrl::RemoveUserInfo).authority().toUtf8();
    QByteArray target =
        url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (target.isEmpty()) target = "/";
    // An HTTP proxy is asked for the whole address; a SOCKS proxy carries the connection.
    if (httpProxy) target = "http://" + authority + target;
    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    if (httpProxy && !proxy.user().isEmpty())
        request += "Proxy-Authorization: Basic " +
                   (proxy.user() + QLatin1Char(':') + proxy.password()).toUtf8().toBase64() +
                   "\r\n";
    request += "Accept-Encoding: identity\r\nConnection: close\r\nUser-Agent: Tovelo\r\n\r\n";

    QTcpSocket socket;
    socket.setProxy(proxy.type() == QNetworkProxy::Socks5Proxy ? proxy : QNetworkProxy::NoProxy);
    HttpReader reader(maxBytes);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool finished = false;
    bool timedOut = false;
    QString socketError;
    const auto finish = [&] {
        finished = true;
        loop.quit();
    };
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        if (!finished && !reader.feed(socket.readAll())) finish();
    });
    const auto ended = [&] {
        if (finished) return;
        reader.feed(socket.readAll());
        reader.closed();
        finish();
    };
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, ended);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop,
                     [&](QAbstractSocket::SocketError error) {
                         if (error != QAbstractSocket::RemoteHostClosedError)
                             socketError = socket.errorString();
                         ended();
                     });
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    timer.start(limit);
    if (httpProxy)
        socket.connectToHost(proxy.hostName(), proxy.port());
    else
        socket.connectToHost(url.host(), static_cast<quint16>(url.port(80)));
    loop.exec();
    QObject::disconnect(&socket, nullptr, &loop, nullptr);
    socket.abort();

    if (!finished) {
        // The loop also ends when the program is asked to quit.
        if (!timedOut) ending() = true;
        answer.error = timedOut ? QStringLiteral("O servidor não respondeu a tempo.")
                                : QStringLiteral("O programa está sendo encerrado.");
        return answer;
    }
    answer.ok = reader.headRead() && !reader.tooLarge();
    answer.whole = answer.ok && reader.done();
    if (answer.ok) {
        answer.status = reader.status();
        answer.contentType = QString::fromLatin1(reader.field("Content-Type"));
        answer.body = reader.body();
    }
    if (!answer.whole)
        answer.error =
            socketError.isEmpty()
                ? reader.failure()
                : QStringLiteral("Não foi possível falar com o servidor: ") + socketError;
    return answer;
}

} // namespace tovelo
