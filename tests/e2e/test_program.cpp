#include "AppCore.h"
#include "FrmLivros.h"
#include "FrmLivros2.h"
#include "FrmMapas.h"
#include "MDIForm1.h"
#include "Net.h"
#include "TestSupport.h"

#include <QImageReader>
#include <QtTest>

using namespace tovelo;
using test::choose;

namespace {

// The maps window shows every picture in a 553 x 425 area: other proportions distort it.
bool fitsPictureArea(QSize s) {
    return s.isValid() && qAbs(s.width() * 425 - s.height() * 553) <= s.height();
}

// Picture names of the maps the publisher's updates add (title<TAB>picture per line).
QStringList publishedMapPictures() {
    QStringList names;
    const QDir dir(QStringLiteral(TOVELO_PUBLISHER_CONTENT));
    for (const QString& list : dir.entryList({QStringLiteral("Mapas*.tsv")})) {
        QFile f(dir.filePath(list));
        if (!f.open(QIODevice::ReadOnly)) return {};
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.contains('\t'))
                names << QString::fromUtf8(line.split('\t').value(1)).trimmed();
    }
    return names;
}

} // namespace

// The real program folder: the executable and the content database the build made.
class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void init() {
        setProgramFolder(QStringLiteral(TOVELO_PROGRAM_DIR));
        setMessageSink([this](const QString& m) { messages << m; });
        // Nothing answers here, so the start-up update check finds nothing quickly.
        setPublisherHost(QStringLiteral("127.0.0.1:9"));
    }
    void cleanup() {
        setProgramFolder({});
        setMessageSink(nullptr);
        setPublisherHost({});
    }

    void contentIsComplete() {
        Db db(folders().database);
        QSqlQuery q = db.run("SELECT (SELECT count(DISTINCT Livro) FROM Livros), "
                             "(SELECT count(*) FROM Livros), (SELECT count(*) FROM Versiculos)");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 66);
        QCOMPARE(q.value(1).toInt(), 1189);
        QCOMPARE(q.value(2).toInt(), 31101);
    }

    void readAndSearchFromTheMenu() {
        MDIForm1 main;
        main.show();
        main.Livros->trigger();
        FrmLivros* reader = instanceOf<FrmLivros>();
        QVERIFY(reader);
        main.Livros->trigger(); // brought to the front, not a second copy
        QCOMPARE(main.area->subWindowList().size(), 1);

        choose(reader->Combo1, "ANTIGO TESTAMENTO");
        QCOMPARE(reader->Combo2->count(), 39);
        choose(reader->Combo2, "Salmos");
        QCOMPARE(reader->Combo3->count(), 150);
        choose(reader->Combo3, "23");
        choose(reader->Combo4, "1");
        choose(reader->Combo5, "6");
        const QString passage = reader->Text1->toPlainText();
        QVERIFY(passage.startsWith("1 - "));
        QVERIFY(passage.contains("\n\n6 - "));
        QCOMPARE(passage.count(" - "), 6);

        main.Chave->trigger();
        FrmLivros2* search = instanceOf<FrmLivros2>();
        QVERIFY(search);
        search->Text2->setText("pastor");
        search->Command2->click();
        QVERIFY(search->hits().contains("Salmos - 23:1"));
        QVERIFY(messages.isEmpty());

        main.close();
        QTRY_VERIFY(instanceOf<FrmLivros>().isNull());
        QVERIFY(instanceOf<FrmLivros2>().isNull());
    }

    // The maps window opens on the Temple plan and shows every map it lists; the pictures of
    // the maps that updates add ship too. Each is a readable picture of the picture area's
    // proportions and of a reasonable size.
    void everyMapShowsUndistorted() {
        MDIForm1 main;
        main.show();
        main.Mapas->trigger();
        FrmMapas* maps = instanceOf<FrmMapas>();
        QVERIFY(maps);
        QVERIFY(fitsPictureArea(maps->Image1->pixmap().size()));
        for (int i = 0; i < maps->Combo1->count(); ++i) {
            choose(maps->Combo1, maps->Combo1->itemText(i));
            QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
            QVERIFY2(fitsPictureArea(maps->Image1->pixmap().size()),
                     qPrintable(maps->Combo1->itemText(i)));
        }

        const QStringList published = publishedMapPictures();
        QVERIFY(!published.isEmpty());
        QVERIFY(maps->Combo1->count() + published.size() >= 14);
        QStringList pictures = published;
        Db db(folders().database);
        QSqlQuery q = db.run("SELECT Mapa FROM Mapas");
        while (nextRow(q))
            pictures << q.value(0).toString();
        for (const QString& name : pictures) {
            const QString path = mapPicture(name);
            QVERIFY2(fitsPictureArea(QImageReader(path).read().size()), qPrintable(name));
            QVERIFY2(QFileInfo(path).size() < 300 * 1024, qPrintable(name));
        }
        main.close();
    }

    void realExecutableStartsAndEnds() {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TOVELO_PROGRAM_DIR "/Tovelo"), {});
        QVERIFY(program.waitForStarted(10000));
        QVERIFY(!program.waitForFinished(2500)); // still running: it did not fail at start
        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    void helpVersionAndUnknownOptions() {
        const auto run = [](const QStringList& args, bool display, QByteArray* err = nullptr) {
            QProcess program;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                env.remove(name);
            if (display) env.insert("QT_QPA_PLATFORM", "offscreen");
            program.setProcessEnvironment(env);
            program.start(QStringLiteral(TOVELO_PROGRAM_DIR "/Tovelo"), args);
            program.waitForFinished(15000);
            if (err) *err = program.readAllStandardError();
            return std::pair(program.exitCode(),
                             QString::fromUtf8(program.readAllStandardOutput()));
        };
        // Answered without any display.
        QCOMPARE(run({"--version"}, false), std::pair(0, QString("Tovelo 1.0\n")));
        const auto [code, help] = run({"--help"}, false);
        QCOMPARE(code, 0);
        QVERIFY(help.startsWith("Uso: Tovelo"));
        QVERIFY(help.contains("-h, --help") && help.contains("-v, --version"));
        // The build folder is a portable program folder: the data stay in it.
        QVERIFY2(help.contains("Pasta de dados: " TOVELO_PROGRAM_DIR "\n  (portátil"),
                 qPrintable(help));

        QByteArray err;
        QCOMPARE(run({"--abrir"}, true, &err).first, 2);
        QVERIFY(QString::fromUtf8(err).contains("opção desconhecida: --abrir"));
    }

private:
    QStringList messages;
};

QTEST_MAIN(TestProgram)
#include "test_program.moc"
