#include "Cipher.h"
#include "LoopbackPublisher.h"
#include "Net.h"
#include "TestSupport.h"
#include "UpdateCheck.h"

#include <QDir>
#include <QElapsedTimer>
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

    int count(const QString& t) const { return f.scalar("SELECT count(*) FROM " + t).toInt(); }
    // The update record as "TipoNum,...", in the order of recording.
    QString recorded() const {
        return f.scalar("SELECT group_concat(Tipo || Num) FROM Atualizacoes").toString();
    }
    void check(std::chrono::milliseconds limit = 5s) {
        UpdateCheck check;
        check.setRequestLimit(limit);
        check.run();
    }
};

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private slots:
    void firstStartImportsNumberOneOfEachKindAndSecondAsksForTwo() {
        Env e;
        const QString study = QStringLiteral("Primeiro parágrafo.\tSegundo, com \"aspas\".");
        const QByteArray hex = Cifrar(study, kChave).toLatin1();
        // The cipher text comes broken over lines; a title already present (other case and
        // accents) is skipped; " B" is still pending when the file ends and must stay there.
        e.pub.put("/Estudos1.txt", " O Filho d'Ele # " + hex.left(10) + "\r\n" + hex.mid(10) +
                                       "\r\n \xCAXODO E F\xC9 # 00\r\n#\r\n B # b\r\n\r\n");
        e.pub.put("/Reflexoes1.txt", "continua\r\n" + updateFile({{"A Ponte", "um\tdois"}}));
        e.pub.put("/Mapas1.txt", "<html>\r\n" + updateFile({{"O Ex\xEDlio", "exilio.jpg"}}));
        e.check();
        QCOMPARE(e.pub.requests, (QStringList{"/Estudos1.txt", "/Reflexoes1.txt", "/Mapas1.txt"}));
        QCOMPARE(e.recorded(), QString("Estudos1,Reflexoes1,Mapas1"));
        const QVariant text = e.f.scalar("SELECT Texto FROM Estudos WHERE Titulo LIKE 'O Filho%'");
        QCOMPARE(Decifrar(text.toString(), kChave), study);
        QCOMPARE(e.count("Estudos"), 3);
        QCOMPARE(e.count("Ilustracoes"), 4);
        QVERIFY(e.f.messages.isEmpty());

        // The publisher's 404 page is neither imported nor left in the program folder.
        e.pub.requests.clear();
        e.check();
        QCOMPARE(e.pub.requests, (QStringList{"/Estudos2.txt", "/Reflexoes2.txt", "/Mapas2.txt"}));
        QCOMPARE(e.recorded(), QString("Estudos1,Reflexoes1,Mapas1"));
        QCOMPARE(QFileInfo(e.f.dir.filePath("Estudos.txt")).size(), 0);
    }

    void rejectedStudiesStillLetTheOtherKindsBeChecked() {
        const std::tuple<const char*, QByteArray, int, bool> rows[] = {
            {"upper-case HTML", "<HTML><body>fora do ar\r\n", 200, false},
            {"error status", updateFile({{"Falso", "x"}}), 500, false},
            // A directory in the file's place cannot be opened for writing, even by root.
            {"local file cannot be written", updateFile({{"Falso", "x"}}), 200, true}};
        for (const auto& [why, body, status, blocked] : rows) {
            Env e;
            e.pub.put("/Estudos1.txt", body, status);
            e.pub.put("/Reflexoes1.txt", updateFile({{"Nova", "x"}}));
            QVERIFY(!blocked || QDir(e.f.folder()).mkdir("Estudos.txt"));
            e.check();
            QVERIFY2(e.pub.requests.last() == "/Mapas1.txt" && e.recorded() == "Reflexoes1" &&
                         e.count("Estudos") == 2 && e.count("Ilustracoes") == 4,
                     why);
        }
    }

    void waitingFilesArriveOnePerStart() {
        Env e;
        for (int n = 1; n <= 3; ++n)
            e.pub.put(QString("/Estudos%1.txt").arg(n),
                      updateFile({{"E" + QByteArray::number(n), "00"}}));
        for (int start = 1; start <= 4; ++start) {
            e.pub.requests.clear();
            e.check();
            QCOMPARE(e.pub.requests.first(), QString("/Estudos%1.txt").arg(start));
            QCOMPARE(e.count("Estudos"), 2 + qMin(start, 3));
        }
    }

    void unreachableServerImportsNothingAndEmptiesStaleFiles() {
        for (const bool listening : {false, true}) {
            Env e;
            e.pub.silent = true;
            if (!listening)
                setPublisherHost(LoopbackPublisher().host()); // its port is closed again
            // A file left from an earlier start must not be imported again.
            QFile stale(e.f.dir.filePath("Estudos.txt"));
            QVERIFY(stale.open(QIODevice::WriteOnly) &&
                    stale.write(updateFile({{"Velho", "00"}})) > 0);
            stale.close();
            QElapsedTimer clock;
            clock.start();
            e.check(300ms);
            QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(e.pub.requests.size(), listening ? 3 : 0);
            QCOMPARE(e.recorded(), QString());
            QCOMPARE(e.count("Estudos"), 2);
            QCOMPARE(stale.size(), 0);
        }
    }

    // One transaction per file: a failing record is abandoned alone, a number that cannot be
    // recorded undoes its file (it comes again, whole, next start) and ends the check.
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
        QCOMPARE(e.count("Estudos"), 4);
        QCOMPARE(e.count("Ilustracoes"), 3);
        QCOMPARE(e.recorded(), QString("Estudos1"));
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "test_updatecheck.moc"
