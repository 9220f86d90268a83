#include "Cipher.h"
#include "LoopbackPublisher.h"
#include "Net.h"
#include "TestSupport.h"
#include "UpdateCheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

using namespace tovelo;
using namespace tovelo::test;
using namespace std::chrono_literals;

namespace {

// A program folder with the test content (2 studies, 3 reflections) and a publisher for it.
struct Env {
    ContentFixture f;
    LoopbackPublisher pub;
    Env() { setPublisherHost(pub.host()); }
    ~Env() { setPublisherHost(QString()); }

    // How many studies and reflections, then the update record as "TipoNum,...".
    QString stored() const {
        return f
            .scalar("SELECT (SELECT count(*) FROM Estudos) || ' ' || "
                    "(SELECT count(*) FROM Ilustracoes) || ' ' || "
                    "(SELECT ifnull(group_concat(Tipo || Num), '') FROM Atualizacoes)")
            .toString();
    }
    void check(std::chrono::milliseconds limit = 5s) {
        UpdateCheck check;
        check.setRequestLimit(limit);
        check.run();
    }
};

// An answer's head: status, the given header fields, and the connection closing after it.
QByteArray head(int status, const QByteArray& fields) {
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\n" + fields +
           "Connection: close\r\n\r\n";
}
QByteArray sized(const QByteArray& body) {
    return "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
}
QByteArray chunk(const QByteArray& piece) {
    return QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
}
QByteArray chunked(const QByteArray& body, qsizetype at) {
    return head(200, "Transfer-Encoding: chunked\r\n") + chunk(body.left(at)) +
           chunk(body.mid(at)) + "0\r\n\r\n";
}

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private slots:
    // Number 1 of each kind at the first start, number 2 at the next, whatever waits beyond.
    void eachStartImportsTheNextFileOfEachKind() {
        Env e;
        const QString study = QStringLiteral("Primeiro parágrafo.\tSegundo, com \"aspas\".");
        const QByteArray hex = Cifrar(study, kChave).toLatin1();
        // The cipher text comes broken over lines; a title already present (other case and
        // accents) is skipped; " B" is still pending when the file ends and must stay there.
        e.pub.put("/Estudos1.txt", " O Filho d'Ele # " + hex.left(10) + "\r\n" + hex.mid(10) +
                                       "\r\n \xCAXODO E F\xC9 # 00\r\n#\r\n B # b\r\n\r\n");
        e.pub.put("/Estudos2.txt", updateFile({{"Segundo", "00"}}));
        e.pub.put("/Estudos3.txt", updateFile({{"Terceiro", "00"}}));
        // A plain-text type and a chunked body are what many servers send.
        e.pub.putRaw("/Reflexoes1.txt",
                     chunked("continua\r\n" + updateFile({{"A Ponte", "um\tdois"}}), 9));
        e.pub.put("/Mapas1.txt", "Mapas novos\r\n" + updateFile({{"O Ex\xEDlio", "exilio.jpg"}}));
        e.check();
        QCOMPARE(e.pub.requests, (QStringList{"/Estudos1.txt", "/Reflexoes1.txt", "/Mapas1.txt"}));
        QCOMPARE(e.stored(), "3 4 Estudos1,Reflexoes1,Mapas1");
        const QVariant text = e.f.scalar("SELECT Texto FROM Estudos WHERE Titulo LIKE 'O Filho%'");
        QCOMPARE(Decifrar(text.toString(), kChave), study);

        // The publisher's 404 page is neither imported nor left in the data folder.
        e.pub.requests.clear();
        e.check();
        QCOMPARE(e.pub.requests, (QStringList{"/Estudos2.txt", "/Reflexoes2.txt", "/Mapas2.txt"}));
        QCOMPARE(e.stored(), "4 4 Estudos1,Reflexoes1,Mapas1,Estudos2");
        QCOMPARE(QFileInfo(e.f.dir.filePath("Reflexoes.txt")).size(), 0);
        QVERIFY(e.f.messages.isEmpty());
    }

    // Each of these answers for the studies is a failed download: nothing of it is stored, its
    // number is not recorded, and the reflections and maps are still looked for.
    void failedDownloads() {
        LoopbackPublisher elsewhere;
        const QByteArray file = updateFile({{"Falso", "00"}});
        elsewhere.put("/Estudos1.txt", file);
        const QByteArray page = "<HTML><body>fora do ar\r\n";
        const QByteArray portal = "<!doctype html>\n<title>Entrar na rede</title>\n" + file;
        // A few KB that would expand to twice the largest update file.
        QProcess gzip;
        gzip.start("gzip", {"-c", "-n"});
        gzip.write(updateFile({{"Bomba", QByteArray(2 * UpdateCheck::kFileLimit, '0')}}));
        gzip.closeWriteChannel();
        QVERIFY(gzip.waitForFinished());
        const QByteArray bomb = gzip.readAllStandardOutput();
        const std::pair<const char*, QByteArray> rows[] = {
            {"upper-case HTML", head(200, sized(page)) + page},
            {"error status", head(500, sized(file)) + file},
            {"body shorter than announced", head(200, "Content-Length: 14502\r\n") + file},
            {"chunked body without its last chunk",
             head(200, "Transfer-Encoding: chunked\r\n") + chunk(file)},
            {"redirect to another host",
             head(302, "Location: http://" + elsewhere.host().toLatin1() +
                           "/Estudos1.txt\r\nContent-Length: 0\r\n")},
            {"compressed bomb", head(200, "Content-Encoding: gzip\r\n" + sized(bomb)) + bomb},
            {"HTML content type", head(200, "Content-Type: Text/HTML\r\n" + sized(file)) + file},
            {"web page with LF line ends", head(200, sized(portal)) + portal},
            // A directory in the file's place cannot be opened for writing, even by root.
            {"local file cannot be written", head(200, sized(file)) + file}};
        for (const auto& [why, answer] : rows) {
            Env e;
            e.pub.putRaw("/Estudos1.txt", answer);
            e.pub.put("/Reflexoes1.txt", updateFile({{"Nova", "x"}}));
            if (QString(why).startsWith("local")) QVERIFY(QDir(e.f.folder()).mkdir("Estudos.txt"));
            e.check();
            QVERIFY2(e.pub.requests.last() == "/Mapas1.txt" && e.stored() == "2 4 Reflexoes1", why);
        }
        QCOMPARE(elsewhere.requests, QStringList());
    }

    // An update file may hold up to the limit; one byte more (announced, or in chunks) fails,
    // and a body that never ends is abandoned as it arrives, never waited out.
    void sizeLimit() {
        Env e;
        const qint64 limit = UpdateCheck::kFileLimit;
        const auto fill = [](const QByteArray& title, qint64 size) {
            return updateFile({{title, QByteArray(size - updateFile({{title, ""}}).size(), '0')}});
        };
        e.pub.put("/Estudos1.txt", fill("Grande", limit));
        e.check();
        QCOMPARE(e.stored(), "3 3 Estudos1");

        e.pub.put("/Estudos2.txt", fill("Maior", limit + 1));
        e.pub.putRaw("/Reflexoes1.txt", chunked(fill("Maior", limit + 1), limit));
        qint64 sent = 0;
        constexpr qint64 stall = 64 << 20;
        e.pub.route("/Mapas1.txt", [&sent](QTcpSocket* socket) {
            socket->write(head(200, ""));
            const auto feed = [socket, &sent] {
                if (sent >= stall || socket->bytesToWrite() > 0) return;
                socket->write(QByteArray(1 << 16, '0'));
                sent += 1 << 16;
            };
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, feed);
            feed();
        });
        QElapsedTimer clock;
        clock.start();
        e.check(30s);
        QCOMPARE_LT(clock.elapsed(), 15000);
        QCOMPARE_LT(sent, stall);
        QCOMPARE(e.stored(), "3 3 Estudos1");
    }

    // The system's proxy carries requests to the publisher, but never those to loopback.
    void proxySettings() {
        Env e;
        LoopbackPublisher proxy;
        proxy.put("http://publicador.invalid/Estudos1.txt", updateFile({{"Pelo proxy", "00"}}));
        // Left so for the later tests of this process, whose publisher is on loopback.
        for (const char* name : {"http_proxy", "HTTP_PROXY"})
            qputenv(name, "http://" + proxy.host().toLatin1());
        for (const char* name : {"no_proxy", "NO_PROXY"})
            qunsetenv(name);
        e.check();
        QCOMPARE(proxy.requests, QStringList());
        QCOMPARE(e.pub.requests.size(), 3);

        setPublisherHost("publicador.invalid");
        e.check();
        QCOMPARE(proxy.requests.value(0), "http://publicador.invalid/Estudos1.txt");
        QCOMPARE(e.stored(), "3 3 Estudos1");
    }

    // Nothing listening, or a server that never answers within the limit: nothing is imported,
    // and a file left from an earlier start is emptied rather than imported again.
    void unreachableServer() {
        for (const bool listening : {false, true}) {
            Env e;
            e.pub.hold = true;
            if (!listening) setPublisherHost(LoopbackPublisher().host()); // closed again
            QFile stale(e.f.dir.filePath("Estudos.txt"));
            QVERIFY(stale.open(QIODevice::WriteOnly) &&
                    stale.write(updateFile({{"Velho", "00"}})) > 0);
            stale.close();
            QElapsedTimer clock;
            clock.start();
            e.check(300ms);
            QCOMPARE_LT(clock.elapsed(), 5000);
            QCOMPARE(e.pub.requests.size(), listening ? 3 : 0);
            QCOMPARE(e.stored(), "2 3 ");
            QCOMPARE(stale.size(), 0);
        }
    }

    // One transaction per file: a refused record is skipped alone; a number that cannot be
    // recorded undoes its whole file and ends the check.
    void storeFailures() {
        Env e;
        e.f.exec("CREATE TRIGGER Recusa BEFORE INSERT ON Estudos WHEN NEW.Titulo = 'Ruim' "
                 "BEGIN SELECT RAISE(ABORT, 'recusado'); END");
        e.f.exec("CREATE TRIGGER Cheio BEFORE INSERT ON Atualizacoes WHEN NEW.Tipo = 'Reflexoes' "
                 "BEGIN SELECT RAISE(ABORT, 'cheio'); END");
        e.pub.put("/Estudos1.txt", updateFile({{"Bom", "01"}, {"Ruim", "02"}, {"Outro", "03"}}));
        e.pub.put("/Reflexoes1.txt", updateFile({{"Nova", "x"}}));
        e.check();
        QCOMPARE(e.pub.requests, (QStringList{"/Estudos1.txt", "/Reflexoes1.txt"}));
        QCOMPARE(e.stored(), "4 3 Estudos1");
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "test_updatecheck.moc"
