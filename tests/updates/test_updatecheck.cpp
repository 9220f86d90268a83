#include "AppCore.h"
#include "Cipher.h"
#include "LoopbackPublisher.h"
#include "Net.h"
#include "TestSupport.h"
#include "TextKeys.h"
#include "UpdateCheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QtTest>

using namespace tovelo;
using namespace std::chrono_literals;
using tovelo::test::ContentFixture;
using tovelo::test::LoopbackPublisher;
using tovelo::test::updateFile;

namespace {

const QStringList kFirstFiles{"/Estudos1.txt", "/Reflexoes1.txt", "/Mapas1.txt"};

// The update record as "Tipo Num" lines in a stable order.
QStringList recorded(const ContentFixture& f) {
    Db db(f.database());
    QSqlQuery q = db.run("SELECT Tipo, Num FROM Atualizacoes ORDER BY Tipo, Num");
    QStringList out;
    while (q.next())
        out << q.value(0).toString() + " " + q.value(1).toString();
    return out;
}

int count(const ContentFixture& f, const QString& table) {
    return f.scalar("SELECT count(*) FROM " + table).toInt();
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void runCheck(std::chrono::milliseconds limit = 5s) {
    UpdateCheck check;
    check.setRequestLimit(limit);
    check.run();
}

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setPublisherHost(QString()); }

    void firstStartImportsNumberOneOfEachKindAndSecondAsksForTwo() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        const QString study = QStringLiteral("Primeiro parágrafo.\tSegundo, com \"aspas\".");
        const QByteArray hex = Cifrar(study, kChave).toLatin1();
        // The hexadecimal text arrives broken over continuation lines.
        pub.put("/Estudos1.txt", " O Filho d'Ele # " + hex.left(10) + "\r\n" + hex.mid(10, 30) +
                                     "\r\n" + hex.mid(40) + "\r\n #  \r\n" +
                                     " Vazio # \r\n#\r\n\r\n");
        // Text left pending at the end of the studies file never reaches the reflections.
        pub.put("/Reflexoes1.txt",
                "continua\r\n" + updateFile({{"A Ponte", "um\tdois"}, {"Sem Texto", ""}}));
        pub.put("/Mapas1.txt", updateFile({{"O Ex\xEDlio", "exilio.jpg"}}) + "resto");

        runCheck();
        QCOMPARE(pub.requests, kFirstFiles);
        QCOMPARE(recorded(f), (QStringList{"Estudos 1", "Mapas 1", "Reflexoes 1"}));
        QCOMPARE(Decifrar(f.scalar("SELECT Texto FROM Estudos WHERE Titulo = ?", {"O Filho d'Ele"})
                              .toString(),
                          kChave),
                 study);
        QCOMPARE(f.scalar("SELECT Chave FROM Estudos WHERE Titulo = ?", {"O Filho d'Ele"}),
                 QVariant(sortKey("O Filho d'Ele")));
        QCOMPARE(f.scalar("SELECT Texto FROM Estudos WHERE Titulo = 'Vazio'"), QVariant(" "));
        QCOMPARE(count(f, "Estudos"), 4);
        QCOMPARE(f.scalar("SELECT Texto FROM Ilustracoes WHERE Titulo = 'A Ponte'"),
                 QVariant("um\tdois"));
        QCOMPARE(f.scalar("SELECT Texto FROM Ilustracoes WHERE Titulo = 'Sem Texto'"),
                 QVariant(" "));
        QCOMPARE(count(f, "Ilustracoes"), 5);
        QCOMPARE(f.scalar("SELECT Mapa FROM Mapas WHERE Titulo = ?", {"O Exílio"}),
                 QVariant("exilio.jpg"));
        QCOMPARE(contents(f.dir.filePath("Mapas.txt")), pub.files["/Mapas1.txt"].body);
        QVERIFY(f.messages.isEmpty());

        pub.requests.clear();
        runCheck();
        QCOMPARE(pub.requests,
                 (QStringList{"/Estudos2.txt", "/Reflexoes2.txt", "/Mapas2.txt"}));
        QCOMPARE(recorded(f).size(), 3);
        QCOMPARE(contents(f.dir.filePath("Estudos.txt")), QByteArray()); // the 404 is not kept
    }

    void titlesAlreadyPresentAreSkippedButTheNumberIsRecorded() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        f.exec("INSERT INTO Atualizacoes (Tipo, Num) VALUES ('Reflexoes', 7)");
        pub.put("/Estudos1.txt", updateFile({{"estudo beta", "00"}, {"\xCAXODO E F\xC9", "00"},
                                              {"Novo", "41"}, {"NOVO", "42"}}));
        pub.put("/Reflexoes8.txt", updateFile({{"zebra", "x"}}));
        runCheck();
        QCOMPARE(pub.requests, (QStringList{"/Estudos1.txt", "/Reflexoes8.txt", "/Mapas1.txt"}));
        QCOMPARE(count(f, "Estudos"), 3);
        QCOMPARE(f.scalar("SELECT Texto FROM Estudos WHERE Chave = ?", {sortKey("novo")}),
                 QVariant("41"));
        QCOMPARE(count(f, "Ilustracoes"), 3);
        QCOMPARE(recorded(f), (QStringList{"Estudos 1", "Reflexoes 7", "Reflexoes 8"}));
    }

    void rejectedFilesAreNotRecordedAndTheNextKindsStillRun_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("upper-case HTML") << QByteArray("<HTML><body>fora do ar\r\n") << 200;
        QTest::newRow("empty first line") << QByteArray("\r\n A # a\r\n#\r\n\r\n") << 200;
        QTest::newRow("error status without HTML") << updateFile({{"Falso", "x"}}) << 500;
        QTest::newRow("empty body") << QByteArray() << 200;
    }
    void rejectedFilesAreNotRecordedAndTheNextKindsStillRun() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        pub.put("/Estudos1.txt", body, status);
        pub.put("/Reflexoes1.txt", updateFile({{"Nova", "x"}}));
        runCheck();
        QCOMPARE(pub.requests, kFirstFiles);
        QCOMPARE(recorded(f), QStringList{"Reflexoes 1"});
        QCOMPARE(count(f, "Estudos"), 2);
        QCOMPARE(count(f, "Ilustracoes"), 4);
    }

    void lowerCaseHtmlIsAnUpdateFile() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        pub.put("/Mapas1.txt", "<html>\r\n" + updateFile({{"Mapa Novo", "novo.jpg"}}));
        runCheck();
        QCOMPARE(recorded(f), QStringList{"Mapas 1"});
        QCOMPARE(f.scalar("SELECT Mapa FROM Mapas WHERE Titulo = 'Mapa Novo'"),
                 QVariant("novo.jpg"));
    }

    void waitingFilesArriveOnePerStart() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        for (int n = 1; n <= 3; ++n)
            pub.put(QString("/Estudos%1.txt").arg(n), updateFile({{"E" + QByteArray::number(n), "00"}}));
        for (int start = 1; start <= 4; ++start) {
            pub.requests.clear();
            runCheck();
            QCOMPARE(pub.requests.first(), QString("/Estudos%1.txt").arg(start));
            QCOMPARE(count(f, "Estudos"), 2 + qMin(start, 3));
        }
        QCOMPARE(f.scalar("SELECT max(Num) FROM Atualizacoes WHERE Tipo = 'Estudos'"), QVariant(3));
    }

    void unreachableServerRejectsEverythingAndEmptiesStaleFiles_data() {
        QTest::addColumn<bool>("listening");
        QTest::newRow("nothing listening") << false;
        QTest::newRow("never answers") << true;
    }
    void unreachableServerRejectsEverythingAndEmptiesStaleFiles() {
        QFETCH(bool, listening);
        ContentFixture f;
        auto pub = std::make_unique<LoopbackPublisher>();
        pub->silent = true;
        const QString host = pub->host();
        if (!listening)
            pub.reset();
        setPublisherHost(host);
        // A file left from an earlier start must not be imported again.
        QFile stale(f.dir.filePath("Estudos.txt"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(updateFile({{"Velho", "00"}}));
        stale.close();

        QElapsedTimer clock;
        clock.start();
        runCheck(300ms);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        if (listening)
            QCOMPARE(pub->requests, kFirstFiles);
        QCOMPARE(recorded(f), QStringList());
        QCOMPARE(count(f, "Estudos"), 2);
        QCOMPARE(contents(stale.fileName()), QByteArray());
        QVERIFY(f.messages.isEmpty());
    }

    void localFilesThatCannotBeWrittenRejectTheirKind() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        for (const char* kind : {"Estudos", "Reflexoes", "Mapas"}) {
            pub.put(QString("/%1").arg(kind) + "1.txt", updateFile({{"Novo", "00"}}));
            // A directory in the file's place cannot be opened for writing, even by root.
            QVERIFY(QDir(f.folder()).mkdir(QString("%1.txt").arg(kind)));
        }
        runCheck();
        QCOMPARE(recorded(f), QStringList());
        QCOMPARE(count(f, "Estudos"), 2);
        QCOMPARE(count(f, "Ilustracoes"), 3);
        QVERIFY(f.messages.isEmpty());
    }

    void missingDatabaseFailsTheFirstKind() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        QVERIFY(QFile::remove(f.database()));
        UpdateCheck check;
        QVERIFY_THROWS_EXCEPTION(DbError, check.run());
        QCOMPARE(pub.requests, QStringList());
        QCOMPARE(check.kind, QString());
    }

    void laterLookupFailureEndsTheCheckQuietly() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        // No number follows 32767: the reflections cannot be looked up.
        f.exec("INSERT INTO Atualizacoes (Tipo, Num) VALUES ('Reflexoes', 32767)");
        pub.put("/Estudos1.txt", updateFile({{"Novo", "00"}}));
        runCheck();
        QCOMPARE(pub.requests, QStringList{"/Estudos1.txt"});
        QCOMPARE(recorded(f), (QStringList{"Estudos 1", "Reflexoes 32767"}));
    }

    void failingRecordIsAbandonedAlone() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        f.exec("CREATE TRIGGER Recusa BEFORE INSERT ON Estudos WHEN NEW.Titulo = 'Ruim' "
               "BEGIN SELECT RAISE(ABORT, 'recusado'); END");
        pub.put("/Estudos1.txt", updateFile({{"Bom", "01"}, {"Ruim", "02"}, {"Outro", "03"}}));
        runCheck();
        QCOMPARE(count(f, "Estudos"), 4);
        QCOMPARE(recorded(f), QStringList{"Estudos 1"});
    }

    void numberThatCannotBeRecordedUndoesTheFileAndEndsTheCheck() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        f.exec("CREATE TRIGGER Cheio BEFORE INSERT ON Atualizacoes "
               "BEGIN SELECT RAISE(ABORT, 'cheio'); END");
        pub.put("/Estudos1.txt", updateFile({{"Novo", "00"}}));
        runCheck();
        QCOMPARE(pub.requests, QStringList{"/Estudos1.txt"});
        QCOMPARE(count(f, "Estudos"), 2); // comes again, whole, at the next start
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "test_updatecheck.moc"
