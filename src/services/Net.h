#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>

class QNetworkReply;

namespace tovelo {

// The publisher's web server, a URL with its scheme, fixed at build time.
QUrl publisherUrl();
void setPublisherUrl(const QUrl& url); // tests point it at a local server
// An address on the publisher's server: its URL followed by `path` ("/Estudos1.txt").
QUrl publisherAddress(const QString& path);

struct HttpAnswer {
    bool ok = false; // a whole answer arrived within the time and size limits, whatever its status
    int status = 0;
    QString contentType;
    QByteArray body;
    QString error; // why no whole answer arrived, in Portuguese
};

// One HTTP GET through Qt's network access, started at once, answered through finished(). It
// reaches a server over https:// (certificates checked against the system's store), and over
// plain http:// only on this computer. It waits at most `limit` and keeps at most `maxBytes` of
// the body as decoded (a compressed answer is expanded, and abandoned as soon as it grows past
// the limit). A redirect is answered as it is, never followed. The system's proxy settings
// apply, except to this computer, always reached directly. A body the library reports cut short
// or malformed, or that states its length twice, is no answer.
//
// Deleting the object abandons the request; finished() then never comes.
class HttpGet : public QObject {
    Q_OBJECT
public:
    HttpGet(const QUrl& url, std::chrono::milliseconds limit, qint64 maxBytes,
            QObject* parent = nullptr);
    ~HttpGet() override;

    const HttpAnswer& answer() const { return answer_; }

signals:
    // Once, from the event loop, never from inside the constructor.
    void finished();

private:
    void take();
    void replied();
    void fail(const QString& why);
    void finish();

    QPointer<QNetworkReply> reply_;
    QTimer timer_;
    qint64 maxBytes_;
    QString certificateProblem_;
    HttpAnswer answer_;
    bool over_ = false;
};

} // namespace tovelo
