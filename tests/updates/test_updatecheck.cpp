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
        QCOMPARE(e.stored(), "3 4 Estudos1,Reflexoes1,Mapas1");
        const QVariant text = e.f.scalar("SELECT Texto FROM Estudos WHERE Titulo LIKE 'O Filho%'");
        QCOMPARE(Decifrar(text.toString(), kChave), study);
        QVERIFY(e.f.messages.isEmpty());

        // The publisher's 404 page is neither imported nor left in the program folder.
        e.pub.requests.clear();
        e.check();
        QCOMPARE(e.pub.requests, (QStringList{"/Estudos2.txt", "/Reflexoes2.txt", "/Mapas2.txt"}));
        QCOMPARE(e.stored(), "3 4 Estudos1,Reflexoes1,Mapas1");
        QCOMPARE(QFileInfo(e.f.dir.filePath("Estudos.txt")).size(), 0);
    }

    void rejectedStudiesStillLetTheOtherKindsBeChecked() {
        const std::tuple<const char*, QByteArray, int> rows[] = {
            {"upper-case HTML", "<HTML><body>fora do ar\r\n", 200},
            {"error status", updateFile({{"Falso", "x"}}), 500},
            // A directory in the file's place cannot be opened for writing, even by root.
            {"local file cannot be written", updateFile({{"Falso", "x"}}), 200}};
        for (const auto& [why, body, status] : rows) {
            Env e;
            e.pub.put("/Estudos1.txt", body, status);
            e.pub.put("/Reflexoes1.txt", updateFile({{"Nova", "x"}}));
            if (QString(why).startsWith("local")) QVERIFY(QDir(e.f.folder()).mkdir("Estudos.txt"));
            e.check();
            QVERIFY2(e.pub.requests.last() == "/Mapas1.txt" && e.stored() == "2 4 Reflexoes1", why);
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
            QCOMPARE(e.stored().section(' ', 0, 0).toInt(), 2 + qMin(start, 3)); // studies
        }
    }

    // Nothing listening, or a server that never answers within the limit: nothing is imported,
    // and a file left from an earlier start is emptied rather than imported again.
    void unreachableServer() {
        for (const bool listening : {false, true}) {
            Env e;
            e.pub.silent = true;
            if (!listening)
                setPublisherHost(LoopbackPublisher().host()); // its port is closed again
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
