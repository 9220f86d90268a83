#include "Signature.h"
#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace tovelo;
using namespace tovelo::test;

namespace {

QByteArray run(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral("minisign"), arguments);
    p.waitForFinished();
    return p.readAllStandardOutput();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The signature file with the second letter of its algorithm ("ED") replaced.
QByteArray withAlgorithm(const QByteArray& signature, char letter) {
    QList<QByteArray> lines = signature.split('\n');
    QByteArray decoded = QByteArray::fromBase64(lines[1]);
    decoded[1] = letter;
    lines[1] = decoded.toBase64();
    return lines.join('\n');
}

} // namespace

class TestSignature : public QObject {
    Q_OBJECT
private slots:
    // Signatures made by the minisign tool and by the publisher's tool, good and bad: only this
    // key's signature of these very bytes, naming this very file, passes.
    void onlyTheKeysSignatureOfTheNamedFilePasses() {
        QTemporaryDir dir;
        const KeyPair key = makeKeyPair(dir.path());
        const QString file = dir.filePath("Estudos3.txt");
        const QByteArray data = " Estudo # 00\r\nmais\r\n#\r\n\r\n";
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(data) == data.size());
        out.close();
        const auto minisign = [&](const QStringList& options) {
            const QString sig = dir.filePath("out.minisig");
            run(QStringList{"-S", "-s", key.secretFile, "-m", file, "-x", sig} + options);
            return readAll(sig);
        };
        const QByteArray good = minisign({"-t", "file:Estudos3.txt"});
        QByteArray comment = good;
        comment.replace("file:Estudos3.txt", "file:Estudos3.txx");

        // What the update tests do not already try end to end.
        const std::tuple<const char*, QByteArray, QByteArray, const char*> rows[] = {
            {"pre-hashed, by minisign", data, good, ""},
            {"plain, by minisign", data, minisign({"-l", "-t", "file:Estudos3.txt"}), ""},
            {"minisign's own comment", data, minisign({}), ""},
            {"plain, by the publisher's tool", data,
             signData(key.secret, data, "x\tfile:Estudos3.txt", false), ""},
            {"a longer name", data, minisign({"-t", "file:Estudos3.txt.bak"}), "do arquivo"},
            {"two names", data, minisign({"-t", "file:Estudos3.txt file:Estudos4.txt"}),
             "do arquivo"},
            {"comment changed", data, comment, "comentário"},
            {"plain algorithm named for a pre-hashed one", data, withAlgorithm(good, 'd'),
             "não confere"},
            {"unknown algorithm", data, withAlgorithm(good, 'X'), "algoritmo"},
        };
        for (const auto& [why, bytes, signature, expected] : rows) {
            const QString problem = signatureProblem(key.pub, bytes, signature, "Estudos3.txt");
            QVERIFY2(*expected ? problem.contains(expected) : problem.isEmpty(),
                     qPrintable(QString("%1: %2").arg(why, problem)));
        }
        // minisign itself accepts what the publisher's tool signs.
        QFile sig(dir.filePath("tool.minisig"));
        QVERIFY(sig.open(QIODevice::WriteOnly));
        sig.write(signData(key.secret, data, "file:Estudos3.txt"));
        sig.close();
        QVERIFY(run({"-V", "-p", key.publicFile, "-m", file, "-x", sig.fileName()})
                    .contains("Signature and comment signature verified"));
    }
};

QTEST_APPLESS_MAIN(TestSignature)
#include "test_signature.moc"
