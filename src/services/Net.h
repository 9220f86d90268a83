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
    bool ok = false; // an answer arrived (any status)
    int status = 0;  // its HTTP status
    QByteArray body;
    QString error; // why no answer arrived
};

// One HTTP GET that waits at most `limit`. The wait runs a local event loop, so windows keep
// painting and the menu stays usable meanwhile. Returns at once, with no answer, once the
// program has been asked to end.
HttpAnswer httpGet(const QUrl& url, std::chrono::milliseconds limit);

// True once the program was asked to end while a request waited.
bool programEnding();

} // namespace tovelo
