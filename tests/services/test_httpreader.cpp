#include "HttpReader.h"

#include <QtTest>

using namespace tovelo;

namespace {

const QByteArray kBody = "Linha 1\r\nLinha 2\r\n";

// Reads `bytes` as they might arrive: all at once, or `piece` bytes at a time; then, if
// `close`, the connection ends. The size limit and the failures that the update check meets
// are tried end to end there; here, the framings.
std::unique_ptr<HttpReader> read(const QByteArray& bytes, bool close = true, qsizetype piece = 0) {
    auto reader = std::make_unique<HttpReader>(1000);
    const qsizetype step = piece > 0 ? piece : bytes.size();
    for (qsizetype at = 0; at < bytes.size(); at += step)
        if (!reader->feed(QByteArrayView(bytes).sliced(at, qMin(step, bytes.size() - at)))) break;
    if (close) reader->closed();
    return reader;
}

} // namespace

class TestHttpReader : public QObject {
    Q_OBJECT
private slots:
    // Every framing gives the same body, however the bytes are split; a body with a length or
    // chunks is complete without waiting for the connection to end.
    void framings() {
        const std::tuple<const char*, QByteArray, bool> rows[] = {
            {"length", "HTTP/1.1 200 OK\r\nContent-Length: 18\r\n\r\n" + kBody, false},
            {"chunks",
             "HTTP/1.1 200 OK\r\ntransfer-encoding: Chunked\r\n\r\n"
             "7;nome=valor\r\nLinha 1\r\nB\r\n\r\nLinha 2\r\n\r\n0\r\nX-Fim: sim\r\n\r\n",
             false},
            {"until the end", "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + kBody, true},
            {"after an interim answer",
             "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 18\r\n\r\n" + kBody,
             false}};
        for (const auto& [why, bytes, needsClose] : rows) {
            for (const qsizetype piece : {0, 1, 5}) {
                const auto reader = read(bytes, needsClose, piece);
                const QString what = QString("%1, pieces of %2").arg(why).arg(piece);
                QVERIFY2(reader->done() && reader->failure().isEmpty(), qPrintable(what));
                QCOMPARE(reader->status(), 200);
                QCOMPARE(reader->body(), kBody);
            }
        }
        const auto empty = read("HTTP/1.1 204 No Content\r\n\r\n", false);
        QVERIFY(empty->done() && empty->body().isEmpty());
    }

    // An answer cut off by the end of the connection, or one this program cannot take as it
    // is, is never complete, and says why.
    void notWhole() {
        const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        const std::pair<const char*, QByteArray> rows[] = {
            {"inside a chunk", chunked + "20\r\n" + kBody},
            {"without the end of its trailer", chunked + "12\r\n" + kBody + "\r\n0\r\n"},
            {"head not finished", "HTTP/1.1 200 OK\r\nContent-Le"},
            {"unknown transfer coding",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n0\r\n\r\n"},
            {"chunk size not hexadecimal", chunked + "zz\r\n" + kBody + "\r\n0\r\n\r\n"},
            {"chunk longer than its size", chunked + "2\r\n" + kBody + "\r\n0\r\n\r\n"},
            {"length not a number", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n" + kBody},
            {"not HTTP", "SSH-2.0-OpenSSH_9.2\r\n\r\n"}};
        for (const auto& [why, bytes] : rows) {
            const auto reader = read(bytes);
            QVERIFY2(!reader->done() && !reader->failure().isEmpty(), why);
        }
    }
};

QTEST_APPLESS_MAIN(TestHttpReader)
#include "test_httpreader.moc"
