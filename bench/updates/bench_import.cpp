// The update check against a publisher on loopback: a start with nothing new, then one update
// file of 50,000 new studies (each checked for a duplicate title) imported with its signature
// checked, beside the same file fetched and imported without one.
#include "Builder.h"
#include "Cipher.h"
#include "LoopbackPublisher.h"
#include "Net.h"
#include "ProgramFolder.h"
#include "TestSupport.h"
#include "UpdateCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace tovelo;

namespace {

constexpr int kRounds = 5;
constexpr int kStudies = 50000;

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs the event loop until `done` holds.
void wait(const std::function<bool()>& done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

double timeCheck() {
    UpdateCheck check;
    bool over = false;
    QObject::connect(&check, &UpdateCheck::finished, [&] { over = true; });
    QElapsedTimer clock;
    clock.start();
    check.start();
    wait([&] { return over; });
    return clock.nsecsElapsed() / 1e6;
}

// What the check does for one file, without the signature: fetch, keep, import.
double timeUnsigned(const QUrl& url) {
    UpdateCheck check;
    check.kind = QStringLiteral("Estudos");
    check.number = 1;
    QElapsedTimer clock;
    clock.start();
    HttpGet get(url, UpdateCheck::kRequestLimit, UpdateCheck::kFileLimit);
    bool over = false;
    QObject::connect(&get, &HttpGet::finished, [&] { over = true; });
    wait([&] { return over; });
    QFile out(dataFile(QStringLiteral("Estudos.txt")));
    if (!out.open(QIODevice::WriteOnly) || !writeAll(out, get.answer().body)) return -1;
    out.close();
    check.ImportUpdate(get.answer().body);
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString pristine = dir.filePath("pristine.mdb");
    const QString database = dir.filePath("Tovelo.mdb");
    content::buildDatabase(TOVELO_FIXTURES "/scripture.tsv", TOVELO_FIXTURES "/authored", pristine);
    setProgramFolder(dir.path());
    const auto fresh = [&] {
        QFile::remove(database);
        QFile::copy(pristine, database);
    };
    const test::KeyPair keys = test::makeKeyPair(dir.path());
    setPublisherKey(keys.pub);

    test::LoopbackPublisher publisher;
    publisher.signer = keys.secret;
    setPublisherUrl(publisher.url());
    QList<double> nothing;
    for (int i = 0; i < kRounds; ++i) {
        fresh();
        nothing << timeCheck();
    }
    std::printf("check with nothing new (3 requests, each answered 404): median %.1f ms of %d\n",
                median(nothing), kRounds);

    // Short studies, so that 50,000 of them fit in the largest file taken.
    const QByteArray hex = Cifrar(QStringLiteral("Um parágrafo de estudo."), kChave).toLatin1();
    QByteArray file;
    for (int i = 1; i <= kStudies; ++i)
        file += " Estudo n\xBA " + QByteArray::number(i) + " # " + hex.left(20) + "\r\n" +
                hex.mid(20) + "\r\n";
    file += "#\r\n\r\n";
    publisher.put("/Estudos1.txt", file);

    QList<double> signedRuns;
    QList<double> unsignedRuns;
    QElapsedTimer clock;
    clock.start();
    const bool valid =
        signatureProblem(keys.pub, file, signData(keys.secret, file, "file:Estudos1.txt"),
                         QStringLiteral("Estudos1.txt"))
            .isEmpty();
    const double verifyOnly = clock.nsecsElapsed() / 1e6;
    for (int i = 0; i < kRounds; ++i) {
        fresh();
        signedRuns << timeCheck();
        fresh();
        unsignedRuns << timeUnsigned(publisherAddress(QStringLiteral("/Estudos1.txt")));
    }
    Db db(database);
    QSqlQuery rows = db.run(QStringLiteral("SELECT count(*) FROM Estudos"));
    nextRow(rows);
    std::printf("update file of %d studies, %.1f KB (median of %d, each into a fresh database):\n"
                "  signed, whole check:          %.0f ms\n"
                "  unsigned, fetch and import:   %.0f ms\n"
                "  signature check alone:        %.1f ms (%s)\n"
                "  the signature adds %.1f %%; %d rows in Estudos after a run\n",
                kStudies, file.size() / 1024.0, kRounds, median(signedRuns), median(unsignedRuns),
                verifyOnly, valid ? "valid" : "INVALID",
                100.0 * (median(signedRuns) - median(unsignedRuns)) / median(unsignedRuns),
                rows.value(0).toInt());
    return 0;
}
