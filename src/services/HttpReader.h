#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace tovelo {

// Reads one HTTP/1.1 answer from the bytes of its connection: the head, then the body framed
// by Content-Length, by chunks or by the end of the connection. An answer counts as done only
// when its framing says it is complete, so a body cut off by a closed connection never passes
// for a whole one. The body is kept as sent: a content coding (gzip, ...) is refused, not
// expanded, and at most `maxBody` bytes are kept; a longer body is refused as it arrives.
class HttpReader {
public:
    explicit HttpReader(qint64 maxBody) : maxBody_(maxBody) {}

    // Takes the next bytes of the connection; false once nothing more is needed (done or
    // failed).
    bool feed(QByteArrayView bytes);
    // The connection ended: completes a body that runs to the end of the connection; any
    // other unfinished answer was cut off.
    void closed();

    bool headRead() const { return status_ > 0; }
    bool done() const { return stage_ == Stage::Done; }
    bool tooLarge() const { return tooLarge_; }
    QString failure() const { return failure_; } // why the answer is not whole

    int status() const { return status_; }
    QByteArray field(QByteArrayView name) const; // a header field's value, empty when absent
    const QByteArray& body() const { return body_; }

private:
    enum class Stage {
        Head,
        Length,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailer,
        UntilClose,
        Done,
        Failed
    };

    bool step();
    bool readHead();
    bool readChunkSize();
    bool readTrailer();
    std::optional<QByteArrayView> line(); // the next CRLF-ended line, consumed
    void take(qint64 count);
    void fail(const QString& why);

    qint64 maxBody_;
    Stage stage_ = Stage::Head;
    QByteArray buffer_; // bytes received and not yet read
    qsizetype pos_ = 0; // how much of buffer_ has been read
    qint64 left_ = 0;   // body bytes still to come (Content-Length or current chunk)
    int status_ = 0;
    QList<std::pair<QByteArray, QByteArray>> fields_; // lower-case name, value
    QByteArray body_;
    bool tooLarge_ = false;
    QString failure_;
};

} // namespace tovelo
