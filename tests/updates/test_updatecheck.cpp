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

const KeyPair& keys(int which = 0) {
    static QTemporaryDir dir;
    static const KeyPair pairs[] = {makeKeyPair(dir.filePath("a")), makeKeyPair(dir.filePath("b"))};
    return pairs[which];
}
QByteArray signature(const QByteArray& body, const QByteArray& name, int key = 0) {
    return signData(keys(key).secret, body, "file:" + name);
}

// A program folder with the test content (2 studies, 3 reflections) and a publisher for it
// that signs what it serves with the key the program trusts.
struct Env {
    ContentFixture f;
    LoopbackPublisher pub;
    explicit Env(const QSslCertificate& certificate = QSslCertificate(),
                 const QSslKey& key = QSslKey())
        : pub(certificate, key) {
        pub.signer = keys().secret;
        setPublisherKey(keys().pub);
        setPublisherUrl(pub.url());
    }
    ~Env() { setPublisherUrl({}); }

    // How many studies and reflections, then the update record as "TipoNum,...".
    QString stored() const {
        return f
            .scalar("SELECT (SELECT count(*) FROM Estudos) || ' ' || "
                    "(SELECT count(*) FROM Ilustracoes) || ' ' || "
                    "(SELECT ifnull(group_concat(Tipo || Num), '') FROM Atualizacoes)")
            .toString();
    }
    QList<ImportedUpdate> check(std::chrono::milliseconds limit = 5s) {
        UpdateCheck check;
        check.setRequestLimit(limit);
        return run(check);
    }
    static QList<ImportedUpdate> run(UpdateCheck& check) {
        std::optional<QList<ImportedUpdate>> imported;
        QObject::connect(&check, &UpdateCheck::finished,
                         [&](const QList<ImportedUpdate>& i) { imported = i; });
        if (!check.running()) check.start();
        if (!waitUntil([&] { return imported.has_value(); }, 60000))
            QTest::qFail("the check did not end", __FILE__, __LINE__);
        return imported.value_or(QList<ImportedUpdate>());
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
QByteArray gzip(const QByteArray& bytes) {
    QProcess gz;
    gz.start("gzip", {"-c", "-n"});
    gz.write(bytes);
    gz.closeWriteChannel();
    gz.waitForFinished();
    return gz.readAllStandardOutput();
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
        const QByteArray reflections = "continua\r\n" + updateFile({{"A Ponte", "um\tdois"}});
        e.pub.putRaw("/Reflexoes1.txt", head(200, "Transfer-Encoding: chunked\r\n") +
                                            chunk(reflections.left(9)) + chunk(reflections.mid(9)) +
                                            "0\r\n\r\n");
        e.pub.put("/Reflexoes1.txt.minisig", signature(reflections, "Reflexoes1.txt"));
        e.pub.put("/Mapas1.txt", "Mapas novos\r\n" + updateFile({{"O Ex\xEDlio", "exilio.jpg"}}));
        QCOMPARE(e.check(),
                 (QList<ImportedUpdate>{{"Estudos", 1, 1}, {"Reflexoes", 1, 1}, {"Mapas", 1, 1}}));
        QCOMPARE(e.pub.requests.filter(".minisig").size(), 3);
        QCOMPARE(e.stored(), "3 4 Estudos1,Reflexoes1,Mapas1");
        const QVariant text = e.f.scalar("SELECT Texto FROM Estudos WHERE Titulo LIKE 'O Filho%'");
        QCOMPARE(Decifrar(text.toString(), kChave), study);

        // The publisher's 404 page is neither imported nor left in the data folder.
        e.pub.requests.clear();
        QCOMPARE(e.check(), QList<ImportedUpdate>({{"Estudos", 2, 1}}));
        QCOMPARE(e.pub.requests, (QStringList{"/Estudos2.txt", "/Estudos2.txt.minisig",
                                              "/Reflexoes2.txt", "/Mapas2.txt"}));
        QCOMPARE(e.stored(), "4 4 Estudos1,Reflexoes1,Mapas1,Estudos2");
        QVERIFY(!QFileInfo::exists(e.f.dir.filePath("Reflexoes.txt")));
        QVERIFY(e.f.messages.isEmpty());
    }

    // Only the publisher's signature of the very file asked for, arrived whole, counts. Anything
    // else for the studies is a failed download: nothing of it is stored or kept, its number is
    // not recorded, and the reflections are still imported.
    void onlyWholeSignedFilesCount() {
        LoopbackPublisher elsewhere;
        const QByteArray file = updateFile({{"Nova", "00"}, {"Outra", "01"}});
        const QByteArray sig = signature(file, "Estudos1.txt");
        const QByteArray other = updateFile({{"Falsa", "00"}});
        elsewhere.signer = keys().secret;
        elsewhere.put("/Estudos1.txt", file);
        const QByteArray whole = head(200, sized(file)) + file;
        const QByteArray gz = gzip(file);
        const QByteArray bomb = gzip(QByteArray(16 << 20, '0'));
        const QByteArray big = QByteArray(5 << 20, '0');
        // The answer for the file, its signature (none: not found), whether it is imported.
        const std::tuple<const char*, QByteArray, QByteArray, bool> rows[] = {
            {"signed", whole, sig, true},
            {"compressed always", head(200, "Content-Encoding: gzip\r\n" + sized(gz)) + gz, sig,
             true},
            {"unsigned", whole, "", false},
            {"signed by another key", whole, signature(file, "Estudos1.txt", 1), false},
            {"signed under another name", head(200, sized(other)) + other,
             signature(other, "Estudos2.txt"), false},
            {"junk signature", whole, "untrusted comment: x\nRWQ=\n", false},
            {"truncated, signed whole", head(200, sized(file.left(20))) + file.left(20), sig,
             false},
            {"cut by the connection closing", head(200, "Content-Length: 9999\r\n") + file, sig,
             false},
            {"two lengths", head(200, sized(file.left(20)) + sized(file)) + file, sig, false},
            {"206", head(206, sized(file)) + file, sig, false},
            {"redirect",
             head(302, "Location: " + elsewhere.url().toEncoded() +
                           "/Estudos1.txt\r\nContent-Length: 0\r\n"),
             sig, false},
            {"compression bomb", head(200, "Content-Encoding: gzip\r\n" + sized(bomb)) + bomb, sig,
             false},
            {"5 MiB", head(200, sized(big)) + big, sig, false},
            // A directory in the file's place cannot be opened for writing, even by root.
            {"local file cannot be written", whole, sig, false},
        };
        for (const auto& [why, answer, signature, imports] : rows) {
            Env e;
            e.pub.putRaw("/Estudos1.txt", answer);
            if (!signature.isEmpty()) e.pub.put("/Estudos1.txt.minisig", signature);
            if (QString(why).startsWith("local")) QVERIFY(QDir(e.f.folder()).mkdir("Estudos.txt"));
            e.pub.put("/Reflexoes1.txt", updateFile({{"Nova", "x"}}));
            e.check();
            const QString expected = imports ? "4 4 Estudos1,Reflexoes1" : "2 4 Reflexoes1";
            QVERIFY2(e.stored() == expected, qPrintable(QString("%1: %2").arg(why, e.stored())));
            QVERIFY2(QFileInfo(e.f.dir.filePath("Estudos.txt")).isFile() == imports, why);
        }
        QCOMPARE(elsewhere.requests, QStringList());
    }

    // A publisher over HTTPS: refused with a message while its certificate authority is not
    // trusted, used once it is.
    void httpsPublisher() {
        QTemporaryDir dir;
        const auto openssl = [&](const QString& name, const QStringList& more) {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            p.start("openssl", QStringList{"req", "-x509", "-nodes", "-days", "2", "-newkey", "ec",
                                           "-pkeyopt", "ec_paramgen_curve:prime256v1", "-keyout",
                                           name + ".key", "-out", name + ".pem"} +
                                   more);
            QVERIFY2(p.waitForFinished() && p.exitCode() == 0,
                     p.readAllStandardError().constData());
        };
        openssl("ca", {"-subj", "/CN=Tovelo teste CA"});
        openssl("server",
                {"-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-addext",
                 "basicConstraints=critical,CA:FALSE", "-CA", "ca.pem", "-CAkey", "ca.key"});
        QFile keyFile(dir.filePath("server.key"));
        QVERIFY(keyFile.open(QIODevice::ReadOnly));
        const QSslConfiguration saved = QSslConfiguration::defaultConfiguration();
        QSslConfiguration trusting = saved;
        QVERIFY(trusting.addCaCertificates(dir.filePath("ca.pem")));
        const QRegularExpression refused("certificado do servidor não foi aceito");
        for (int kind = 0; kind < 3; ++kind)
            QTest::ignoreMessage(QtWarningMsg, refused);
        for (const bool trusted : {false, true}) {
            QSslConfiguration::setDefaultConfiguration(trusted ? trusting : saved);
            Env e(QSslCertificate::fromPath(dir.filePath("server.pem")).value(0),
                  QSslKey(keyFile.readAll(), QSsl::Ec));
            keyFile.seek(0);
            e.pub.put("/Estudos1.txt", updateFile({{"Seguro", "00"}}));
            e.check();
            QSslConfiguration::setDefaultConfiguration(saved);
            QCOMPARE(e.stored(), trusted ? "3 3 Estudos1" : "2 3 ");
            QCOMPARE(e.pub.requests.size(), trusted ? 4 : 0);
        }
    }

    // An update file may hold up to the limit; a body that never ends is abandoned as it
    // arrives, never waited out.
    void sizeLimit() {
        Env e;
        const qint64 limit = UpdateCheck::kFileLimit;
        const QByteArray title = "Grande";
        e.pub.put("/Estudos1.txt",
                  updateFile({{title, QByteArray(limit - updateFile({{title, ""}}).size(), '0')}}));
        qint64 sent = 0;
        constexpr qint64 stall = 64 << 20;
        e.pub.route("/Reflexoes1.txt", [&sent](QTcpSocket* socket) {
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

    // The system's proxy carries requests to a remote publisher, over HTTPS only, but never
    // those to loopback.
    void proxySettings() {
        Env e;
        LoopbackPublisher proxy;
        // Left so for the later tests of this process, whose publisher is on loopback.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"})
            qputenv(name, proxy.url().toEncoded());
        for (const char* name : {"no_proxy", "NO_PROXY"})
            qunsetenv(name);
        e.check();
        QCOMPARE(proxy.requests, QStringList());
        QCOMPARE(e.pub.requests.size(), 3);

        setPublisherUrl(QUrl("http://publicador.invalid"));
        for (int kind = 0; kind < 3; ++kind)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("só é aceito por https://"));
        e.check();
        QCOMPARE(proxy.requests, QStringList());
        setPublisherUrl(QUrl("https://publicador.invalid"));
        e.check();
        QCOMPARE(proxy.requests.value(0), "publicador.invalid:443");
        QCOMPARE(e.stored(), "2 3 ");
    }

    // Nothing listening, or a server that never answers within the limit: nothing is imported,
    // and a file left from an earlier start is removed rather than imported again.
    void unreachableServer() {
        for (const bool listening : {false, true}) {
            Env e;
            e.pub.hold = true;
            if (!listening) setPublisherUrl(LoopbackPublisher().url()); // closed again
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
            QVERIFY(!stale.exists());
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
        QCOMPARE(e.check(), QList<ImportedUpdate>({{"Estudos", 1, 2}}));
        QCOMPARE(e.pub.requests.last(), "/Reflexoes1.txt.minisig");
        QCOMPARE(e.stored(), "4 3 Estudos1");
    }

    // While one check holds the data folder another starts nothing; a number another copy of
    // the program recorded while the file was on its way is not imported again.
    void oneRecordPerFile() {
        Env e;
        e.pub.put("/Estudos1.txt", updateFile({{"Nova", "00"}}));
        e.pub.hold = true;
        UpdateCheck first;
        first.start();
        QVERIFY(waitUntil([&] { return e.pub.requests.size() == 1; }));
        UpdateCheck second;
        QSignalSpy skipped(&second, &UpdateCheck::finished);
        second.start();
        QCOMPARE(skipped.size(), 1);
        e.f.exec("INSERT INTO Atualizacoes (Tipo, Num) VALUES ('Estudos', 1)");
        e.pub.release();
        QCOMPARE(Env::run(first), QList<ImportedUpdate>());
        QCOMPARE(e.stored(), "2 3 Estudos1");
        QCOMPARE(e.pub.requests.size(), 4);
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "test_updatecheck.moc"
