#include "AppCore.h"
#include "FrmLeitura.h"
#include "FrmLivros.h"
#include "FrmLivros2.h"
#include "FrmMapas.h"
#include "MDIForm1.h"
#include "Net.h"
#include "TestSupport.h"

#include <QImageReader>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QtTest>

using namespace tovelo;
using test::choose;

namespace {

// The maps window shows every picture in a 553 x 425 area: other proportions distort it.
bool fitsPictureArea(QSize s) {
    return s.isValid() && qAbs(s.width() * 425 - s.height() * 553) <= s.height();
}

// Runs the built program, without any display unless `offscreen`: its exit status, standard
// output and error.
std::tuple<int, QString, QString> run(const QStringList& args, bool offscreen = false) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    if (offscreen) env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TOVELO_PROGRAM_DIR "/Tovelo"), args);
    program.waitForFinished(15000);
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
            QString::fromUtf8(program.readAllStandardError())};
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
        setPublisherUrl(QUrl("http://127.0.0.1:9"));
    }
    void cleanup() {
        setProgramFolder({});
        setMessageSink(nullptr);
        setPublisherUrl({});
    }

    // The whole Bible, read and searched from the menu; each window opens once.
    void readAndSearchFromTheMenu() {
        Db db(folders().database);
        QSqlQuery q = db.run("SELECT (SELECT count(DISTINCT Livro) FROM Livros) || ' ' || "
                             "(SELECT count(*) FROM Livros) || ' ' || (SELECT count(*) FROM "
                             "Versiculos)");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("66 1189 31101"));

        MDIForm1 main;
        main.show();
        main.Livros->trigger();
        main.Livros->trigger(); // brought to the front, not a second copy
        QCOMPARE(main.area->subWindowList().size(), 1);
        FrmLivros* reader = instanceOf<FrmLivros>();
        choose(reader->Combo1, "ANTIGO TESTAMENTO");
        QCOMPARE(reader->Combo2->count(), 39);
        choose(reader->Combo2, "Salmos");
        QCOMPARE(reader->Combo3->count(), 150);
        choose(reader->Combo3, "23");
        choose(reader->Combo4, "1");
        choose(reader->Combo5, "6");
        const QString passage = reader->Text1->toPlainText();
        QVERIFY(passage.startsWith("1 - ") && passage.contains("\n\n6 - "));
        QCOMPARE(passage.count(" - "), 6);

        main.Chave->trigger();
        FrmLivros2* search = instanceOf<FrmLivros2>();
        search->Text2->setText("pastor");
        search->Command2->click();
        QVERIFY(search->hits().contains("Salmos - 23:1"));
        QVERIFY(messages.isEmpty());
        main.close();
        QTRY_VERIFY(instanceOf<FrmLivros>().isNull() && instanceOf<FrmLivros2>().isNull());
    }

    // From the keyboard alone: the menu, a reference read, a search hit followed into its
    // chapter, moving between windows and closing them. Captions read as always.
    void readingFromTheKeyboard() {
        MDIForm1 main;
        main.show();
        QApplication::setActiveWindow(&main);
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QStringList captions;
        for (QAction* a :
             main.menuBar()->actions() + main.Tovelo->actions() + main.Personagens->actions())
            captions << a->text().remove('&');
        QCOMPARE(captions.join('|'), QString("Tovelo|Estudos|Reflexão|Mapas|Personagens|Chat|"
                                             "Sobre o Autor|Por Livros|Por Palavra-Chave|Leitura|"
                                             "Biblioteca|Fim dos Discipulos"));
        QTest::keyClick(&main, Qt::Key_T, Qt::AltModifier);
        QTRY_VERIFY(main.Tovelo->isVisible());
        QTest::keyClick(main.Tovelo, Qt::Key_Escape);

        QTest::keyClick(&main, Qt::Key_L, Qt::ControlModifier);
        FrmLeitura* reading = instanceOf<FrmLeitura>();
        QTRY_VERIFY(reading && reading->reference->hasFocus());
        QTest::keyClicks(reading->reference, "rm 8");
        QTest::keyClick(reading->reference, Qt::Key_Return);
        QCOMPARE(reading->shownReference(), QString("Romanos 8"));
        // The offscreen platform leaves the book completer's closed popup the active window.
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        main.Chave->trigger();
        FrmLivros2* search = instanceOf<FrmLivros2>();
        search->Text2->setText("pastor");
        search->Command2->click();
        QCOMPARE(main.statusBar()->currentMessage(),
                 QString("%1 versículos encontrados").arg(search->hits().size()));
        const QModelIndex hit =
            search->List1->model()->index(int(search->hits().indexOf("Salmos - 23:1")), 0);
        search->List1->scrollTo(hit);
        // As the window system sends a double-click: a click, then the double-click.
        const QPoint at = search->List1->visualRect(hit).center();
        QTest::mouseClick(search->List1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(search->List1->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(search->Text1->toPlainText(),
                 QString("O Senhor é o meu pastor, nada me faltará."));
        QCOMPARE(reading->shownReference(), QString("Salmos 23.1"));
        QCOMPARE(main.area->activeSubWindow()->widget(), static_cast<QWidget*>(reading));
        const auto marks = reading->passage->extraSelections();
        QCOMPARE(marks.size(), 2); // the verse, and in it what matched
        QCOMPARE(marks.last().cursor.selectedText(), QString("pastor"));

        QTest::keyClick(reading->passage, Qt::Key_Tab, Qt::ControlModifier);
        QTRY_COMPARE(main.area->activeSubWindow()->widget(), static_cast<QWidget*>(search));
        QTest::keyClick(search->Text2, Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(instanceOf<FrmLivros2>().isNull());
        QTest::keyClick(reading->passage, Qt::Key_F4, Qt::ControlModifier);
        QTRY_VERIFY(instanceOf<FrmLeitura>().isNull());
        QVERIFY(messages.isEmpty());
    }

    // Qt's own texts in Portuguese: the context menu of a text field.
    void qtTextsInPortuguese() {
        usePortugueseQtTexts();
        QLineEdit field;
        std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << a->text().remove('&').section('\t', 0, 0);
        QVERIFY2(texts.contains("Desfazer") && texts.contains("Copiar") &&
                     texts.contains("Colar") && texts.contains("Selecionar tudo"),
                 qPrintable(texts.join('|')));
    }

    // The maps window opens on the Temple plan and shows every map it lists; the pictures of
    // the maps that updates add ship too. Each is a readable picture of the picture area's
    // proportions and of a reasonable size.
    void everyMapShowsUndistorted() {
        MDIForm1 main;
        main.show();
        main.Mapas->trigger();
        FrmMapas* maps = instanceOf<FrmMapas>();
        QVERIFY(fitsPictureArea(maps->Image1->pixmap().size()));
        for (int i = 0; i < maps->Combo1->count(); ++i) {
            choose(maps->Combo1, maps->Combo1->itemText(i));
            QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
            QVERIFY2(fitsPictureArea(maps->Image1->pixmap().size()),
                     qPrintable(maps->Combo1->itemText(i)));
        }

        QStringList pictures; // the shipped maps, then those the publisher's updates add
        Db db(folders().database);
        QSqlQuery q = db.run("SELECT Mapa FROM Mapas");
        while (nextRow(q))
            pictures << q.value(0).toString();
        const QDir published(QStringLiteral(TOVELO_PUBLISHER_CONTENT));
        for (const QString& list : published.entryList({QStringLiteral("Mapas*.tsv")})) {
            QFile f(published.filePath(list));
            QVERIFY(f.open(QIODevice::ReadOnly));
            for (const QByteArray& line : f.readAll().split('\n'))
                if (line.contains('\t'))
                    pictures << QString::fromUtf8(line.split('\t')[1]).trimmed();
        }
        QVERIFY(pictures.size() >= 14);
        for (const QString& name : pictures) {
            const QString path = mapPicture(name);
            QVERIFY2(fitsPictureArea(QImageReader(path).read().size()), qPrintable(name));
            QVERIFY2(QFileInfo(path).size() < 300 * 1024, qPrintable(name));
        }
        main.close();
    }

    // Answered without any display; the build folder is a portable program folder.
    void helpVersionAndUnknownOptions() {
        QCOMPARE(run({"--version"}), std::tuple(0, QString("Tovelo 1.0\n"), QString()));
        const auto [code, help, none] = run({"--help"});
        QCOMPARE(code, 0);
        QVERIFY(help.startsWith("Uso: Tovelo") && help.contains("-v, --version"));
        QVERIFY2(help.contains("Pasta de dados: " TOVELO_PROGRAM_DIR "\n  (portátil"),
                 qPrintable(help));
        const auto [status, out, err] = run({"--abrir"}, true);
        QCOMPARE(status, 2);
        QVERIFY2(err.contains("opção desconhecida: --abrir"), qPrintable(err));
    }

private:
    QStringList messages;
};

QTEST_MAIN(TestProgram)
#include "test_program.moc"
