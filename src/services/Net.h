#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <chrono>

namespace tovelo {

// The publisher's web server (host or host:port), fixed at build time.
QString publisherHost();
void setPublisherHost(const QString& host); // tests point it at a local server

struct HttpAnswer {
    bool ok = false;    // an answer arrived (any status) within the size limit
    bool whole = false; // ...and its body is complete: not cut off, not encoded
    int status = 0;     // its HTTP status
    QString contentType;
    QByteArray body;
    QString error; // why no answer arrived, or why it is not whole
};

// One HTTP GET that waits at most `limit` and keeps at most `maxBytes` of the body: a longer
// body is refused as it arrives. The body is asked for and taken as stored (no compression).
// A redirect is answered as it is, never followed, so only the host asked is ever reached.
// The system's proxy settings apply, except to a loopback host, always reached directly.
//
// The wait runs a local event loop, so windows keep painting and stay usable meanwhile.
// Returns at once, with no answer, once the program has been asked to end.
HttpAnswer httpGet(const QUrl& url, std::chrono::milliseconds limit, qint64 maxBytes);

// True once the program was asked to end while a request waited.
bool programEnding();

} // namespace tovelo
