#include "Net.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QSslError>

namespace tovelo {
namespace {

QUrl& urlOverride() {
    static QUrl url;
    return url;
}

bool isLoopback(const QString& host) {
    const QHostAddress address(host);
    if (!address.isNull()) return address.isLoopback();
    return host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0;
}

// Why the program does not ask `url` at all; empty when it may.
QString refusal(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty())
        return QStringLiteral("o endereço %1 não é válido").arg(url.toString());
    if (url.scheme() == QLatin1String("https")) return {};
    if (url.scheme() == QLatin1String("http"))
        return isLoopback(url.host())
                   ? QString()
                   : QStringLiteral("um servidor fora deste computador só é aceito por https:// "
                                    "(%1)")
                         .arg(url.toString());
    return QStringLiteral("o endereço %1 não é http:// nem https://").arg(url.toString());
}

// The system's settings (proxy variables in the environment, the desktop's settings), except
// for this computer: a proxy cannot reach the local publisher on the user's behalf.
class ProxyRules : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        if (isLoopback(query.peerHostName())) return {QNetworkProxy::NoProxy};
        return systemProxyForQuery(query);
    }
};

QNetworkAccessManager* manager() {
    static QPointer<QNetworkAccessManager> shared;
    if (!shared) {
        shared = new QNetworkAccessManager(QCoreApplication::instance());
        shared->setProxyFactory(new ProxyRules);
        shared->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }
    return shared;
}

// The library reports an HTTP status other than 2xx as an error of its own; such an answer
// still arrived whole.
bool statusOnly(QNetworkReply::NetworkError error) {
    return (error >= QNetworkReply::ContentAccessDenied &&
            error <= QNetworkReply::UnknownContentError) ||
           error == QNetworkReply::ProtocolInvalidOperationError ||
           (error >= QNetworkReply::InternalServerError &&
            error <= QNetworkReply::UnknownServerError);
}

QString networkProblem(QNetworkReply* reply, const QString& certificateProblem) {
    QString what;
    switch (reply->error()) {
    case QNetworkReply::ConnectionRefusedError:
        what = QStringLiteral("o servidor recusou a conexão");
        break;
    case QNetworkReply::HostNotFoundError:
        what = QStringLiteral("o servidor não foi encontrado");
        break;
    case QNetworkReply::RemoteHostClosedError:
        what = QStringLiteral("a conexão foi encerrada antes do fim da resposta");
        break;
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("o certificado do servidor não foi aceito: ") +
               (certificateProblem.isEmpty() ? reply->errorString() : certificateProblem);
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        what = QStringLiteral("o proxy não levou o pedido ao servidor");
        break;
    default:
        what = QStringLiteral("a resposta chegou incompleta ou malformada");
    }
    return what + QStringLiteral(" (") + reply->errorString() + QLatin1Char(')');
}

} // namespace

QUrl publisherUrl() {
    return urlOverride().isEmpty() ? QUrl(QStringLiteral(TOVELO_PUBLISHER_URL)) : urlOverride();
}

void setPublisherUrl(const QUrl& url) {
    urlOverride() = url;
}

QUrl publisherAddress(const QString& path) {
    QUrl url = publisherUrl();
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setQuery(QString());
    return url.resolved(QUrl(base + path));
}

HttpGet::HttpGet(const QUrl& url, std::chrono::milliseconds limit, qint64 maxBytes, QObject* parent)
    : QObject(parent), maxBytes_(maxBytes) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this, limit] {
        fail(QStringLiteral("o servidor não respondeu em %1 segundos")
                 .arg(std::chrono::duration<double>(limit).count()));
    });
    if (const QString why = refusal(url); !why.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this, why] { fail(why); }, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Tovelo"));
    reply_ = manager()->get(request);
    reply_->setParent(this);
    connect(reply_, &QIODevice::readyRead, this, &HttpGet::take);
    connect(reply_, &QNetworkReply::finished, this, &HttpGet::replied);
    connect(reply_, &QNetworkReply::sslErrors, this, [this](const QList<QSslError>& errors) {
        if (!errors.isEmpty()) certificateProblem_ = errors.first().errorString();
    });
    timer_.start(limit);
}

HttpGet::~HttpGet() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

void HttpGet::take() {
    if (over_) return;
    answer_.body += reply_->read(maxBytes_ + 1 - answer_.body.size());
    if (answer_.body.size() > maxBytes_)
        fail(QStringLiteral("a resposta passa de %1 bytes").arg(maxBytes_));
}

void HttpGet::replied() {
    take();
    if (over_) return;
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply_->error() != QNetworkReply::NoError &&
        !(status.isValid() && statusOnly(reply_->error()))) {
        fail(networkProblem(reply_, certificateProblem_));
        return;
    }
    // Two lengths: the library takes one of them, and which body is the whole one is unknown.
    if (reply_->rawHeader("Content-Length").contains(',')) {
        fail(QStringLiteral("a resposta declara mais de um tamanho"));
        return;
    }
    answer_.ok = true;
    answer_.status = status.toInt();
    answer_.contentType = QString::fromLatin1(reply_->rawHeader("Content-Type"));
    finish();
}

void HttpGet::fail(const QString& why) {
    if (over_) return;
    answer_ = HttpAnswer();
    answer_.error = why;
    finish();
}

void HttpGet::finish() {
    over_ = true;
    timer_.stop();
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
    emit finished();
}

} // namespace tovelo
