#include "Net.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
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

HttpAnswer httpGet(const QUrl& url, std::chrono::milliseconds limit) {
    HttpAnswer answer;
    if (ending() || QCoreApplication::closingDown()) {
        answer.error = QStringLiteral("O programa está sendo encerrado.");
        return answer;
    }
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QPointer<QNetworkReply> reply = manager.get(request);

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool finished = false;
    bool timedOut = false;
    QObject::connect(reply, &QNetworkReply::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    timer.start(limit);
    loop.exec();

    if (!finished) {
        // The loop also ends when the program is asked to quit.
        if (!timedOut) ending() = true;
        reply->abort();
        answer.error = timedOut ? QStringLiteral("O servidor não respondeu a tempo.")
                                : QStringLiteral("O programa está sendo encerrado.");
        delete reply;
        return answer;
    }
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->readAll();
    answer.ok = reply->error() == QNetworkReply::NoError || answer.status > 0;
    if (!answer.ok) answer.error = reply->errorString();
    delete reply;
    return answer;
}

} // namespace tovelo
