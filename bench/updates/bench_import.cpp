// Downloads and imports one update file of 10,000 new studies (each checked for a duplicate
// title) into a copy of the fixture database, then the same file again (all duplicates).
#include "AppCore.h"
#include "Builder.h"
#include "Cipher.h"
#include "LoopbackPublisher.h"
#include "Net.h"
#include "UpdateCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

using namespace tovelo;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    constexpr int kStudies = 10000;
    QTemporaryDir dir;
    content::buildDatabase(TOVELO_FIXTURES "/scripture.tsv", TOVELO_FIXTURES "/authored",
                           dir.filePath("Tovelo.mdb"));
    setProgramFolder(dir.path());

    const QByteArray hex =
        Cifrar(QStringLiteral("Um parágrafo de estudo com algum texto.\tOutro parágrafo."), kChave)
            .toLatin1();
    QByteArray file;
    for (int i = 1; i <= kStudies; ++i)
        file += " Estudo n\xBA " + QByteArray::number(i) + " # " + hex.left(40) + "\r\n" +
                hex.mid(40) + "\r\n";
    file += "#\r\n\r\n";

    test::LoopbackPublisher publisher;
    publisher.put("/Estudos1.txt", file);
    const QString url = "http://" + publisher.host() + "/Estudos1.txt";

    UpdateCheck check;
    check.kind = QStringLiteral("Estudos");
    check.number = 1;
    for (const char* round : {"new", "duplicates"}) {
        QElapsedTimer clock;
        clock.start();
        check.Download(url, dataFile(QStringLiteral("Estudos.txt")));
        const qint64 ms = clock.elapsed();
        Db db(dir.filePath("Tovelo.mdb"));
        QSqlQuery q = db.run(QStringLiteral("SELECT count(*) FROM Estudos"));
        q.next();
        std::printf("import %d studies (%s): %lld ms, %d rows in Estudos, %.1f KB file\n", kStudies,
                    round, static_cast<long long>(ms), q.value(0).toInt(), file.size() / 1024.0);
    }
    return 0;
}
