#include "AppCore.h"
#include "Articles.h"
#include "Catalogues.h"
#include "Cipher.h"
#include "FrmMapas.h"
#include "FrmPers.h"
#include "PrintText.h"
#include "TestSupport.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

using namespace tovelo;
using test::choose;
using test::items;

namespace {

// What a catalogue's grid lists, then the count line under it.
QStringList listed(const Catalogue* w) {
    return static_cast<const PageModel*>(w->DataGrid1->model())->titles() +
           QStringList{w->lblreg->text()};
}

// At y, or near the bottom (below the last row, where the grid has no cells) for a negative y.
void doubleClick(QWidget* area, int y = -5) {
    QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(10, y < 0 ? area->height() + y : y));
}

// The credit, the name heading the text, and the text.
QStringList shown(const FrmPers* w) {
    return {w->Label3->text(), w->Label1->text(), w->Text1->toPlainText()};
}

// Whether the middle of the picture shown is close to the colour (JPG is lossy).
bool shows(const FrmMapas* w, QColor c) {
    const QImage s = w->Image1->pixmap().toImage();
    const QColor m = s.isNull() ? QColor() : s.pixelColor(s.width() / 2, s.height() / 2);
    return qAbs(m.red() - c.red()) < 24 && qAbs(m.green() - c.green()) < 24 &&
           qAbs(m.blue() - c.blue()) < 24;
}

template <class... Window> void closeAll() {
    (delete instanceOf<Window>().data(), ...);
}

const QString kCredit =
    QStringLiteral("Fonte: textos escritos pela equipe do Tovelo a partir das Escrituras.");

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT
private slots:
    void init() { f.emplace(); }
    void cleanup() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        closeAll<FrmEstudos, FrmIlustracoes, FrmEstudos2, FrmIlustracoes2, FrmPers, FrmMapas>();
        TipoPers.clear();
        TituloEstudo.clear();
        TituloIlustracao.clear();
        setPrinterPort(nullptr);
        f.reset();
    }

    // Empty, a double-click does nothing; with one title it opens that title, passed on as
    // stored, quote and accents included. Of 350 titles the first 200 show, in title order.
    void studiesAsTheTableGrows() {
        f->exec("DELETE FROM Estudos");
        FrmEstudos* w = openWindow<FrmEstudos>();
        QCOMPARE(f->takeMessages(), QStringList{"Não foi encontrado nenhum resultado."});
        doubleClick(w->DataGrid1->viewport());
        doubleClick(w->DataGrid1->horizontalHeader()->viewport(), 5);
        QVERIFY(instanceOf<FrmEstudos2>().isNull() && TituloEstudo.isEmpty());

        const QString title = "O 'Pão' da Vida: Fé e Ação";
        f->exec("INSERT INTO Estudos (Titulo, Texto) VALUES (?, ?)",
                {title, Cifrar("Primeiro.\tSegundo.", kChave)});
        w->load();
        QCOMPARE(listed(w), QStringList({title, "Foram encontrados 1 registros."}));
        doubleClick(w->DataGrid1->viewport()); // below the rows: the current, first, title
        QCOMPARE(TituloEstudo, title);
        QCOMPARE(instanceOf<FrmEstudos2>()->Text1->toPlainText(), "Primeiro.\n\nSegundo.");

        // Inserted backwards, so the table's own order is the reverse of the title order.
        f->exec("DELETE FROM Estudos");
        f->fill("Estudos", "Titulo, Texto", "printf('Estudo %03d', 351 - i), ''", 350);
        w->load();
        QStringList expected;
        for (int i = 1; i <= 200; ++i)
            expected << QStringLiteral("Estudo %1").arg(i, 3, 10, QLatin1Char('0'));
        QCOMPARE(listed(w), expected << "Foram encontrados 350 registros.");
        QVERIFY(f->takeMessages().isEmpty());
    }

    // Reflections in table order; a real double-click (a press first makes the row current)
    // opens the row, shown as stored even when it looks enciphered.
    void reflectionsInTableOrderAndChosenRowOpens() {
        FrmIlustracoes* w = openWindow<FrmIlustracoes>();
        QCOMPARE(listed(w), QStringList({"Zebra", "A Caixa d'Água", "CAFE",
                                         "Foram encontrados 3 registros."}));
        const int y = w->DataGrid1->visualRect(w->DataGrid1->model()->index(2, 0)).center().y();
        QTest::mouseClick(w->DataGrid1->viewport(), Qt::LeftButton, {}, QPoint(10, y));
        doubleClick(w->DataGrid1->viewport(), y);
        QCOMPARE(instanceOf<FrmIlustracoes2>()->Text1->toPlainText(), "CAFEBABE0123");
    }

    // A title with no row shows an empty text; a reader left open follows the catalogue's next
    // choice; what Ctrl+P prints is the text as edited.
    void readerFollowsTheCatalogueAndPrintsWhatIsShown() {
        TituloEstudo = "Estudo que não existe";
        QPointer<FrmEstudos2> reader = openWindow<FrmEstudos2>();
        QCOMPARE(reader->label5->text() + ": " + reader->Text1->toPlainText(), TituloEstudo + ": ");
        FrmEstudos* catalogue = openWindow<FrmEstudos>();
        catalogue->DataGrid1->setCurrentIndex(catalogue->DataGrid1->model()->index(1, 0));
        doubleClick(catalogue->DataGrid1->viewport());
        QCOMPARE(instanceOf<FrmEstudos2>().data(), reader.data());
        QCOMPARE(reader->label5->text() + ": " + reader->Text1->toPlainText(),
                 "Êxodo e Fé: Texto do estudo.");

        const QString lpt = f->dir.filePath("lpt1");
        setPrinterPort(filePrinterPort(lpt));
        reader->Text1->setPlainText("Linha editada.\n\nOutra ç.");
        reader->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(reader));
        QTest::keyClick(reader->Text1, Qt::Key_P, Qt::ControlModifier);
        QFile out(lpt);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), printLayout("Êxodo e Fé", "Linha editada.\r\n\r\nOutra ç."));
        QVERIFY(f->takeMessages().isEmpty());
    }

    // The chosen picture is shown, never a title typed and left with Tab or Enter; one that is
    // missing, or outside the folder ("fora.jpg" is a real picture there that must not be
    // reached), is reported and the previous one stays.
    void mapsShowTheChosenPictureOnly() {
        QVERIFY(QDir(f->folder()).mkpath("Mapas"));
        for (const auto& [path, colour] : {std::pair("Mapas/um.jpg", Qt::red),
                                           {"Mapas/dois.jpg", Qt::blue},
                                           {"fora.jpg", Qt::green}}) {
            QImage image(60, 40, QImage::Format_RGB32);
            image.fill(colour);
            QVERIFY(image.save(f->dir.filePath(path), "JPG"));
        }
        f->exec("INSERT INTO Mapas (Titulo, Mapa) VALUES ('Ruim', 'faltando.jpg'), "
                "('Ruim 2', '../fora.jpg')");
        FrmMapas* w = openWindow<FrmMapas>();
        QCOMPARE(w->Combo1->currentText(), "Escolha um Mapa");
        test::typeInto(w->Combo1, "Mapa Um", Qt::Key_Tab);
        test::typeInto(w->Combo1, "Mapa Um", Qt::Key_Enter);
        QVERIFY(!shows(w, Qt::red));
        const auto chooseAt = [w](int i) {
            w->Combo1->setCurrentIndex(i);
            emit w->Combo1->activated(i);
        };
        chooseAt(0);
        QVERIFY(shows(w, Qt::red));
        chooseAt(2);
        QVERIFY(shows(w, Qt::blue));
        QVERIFY(f->takeMessages().isEmpty());
        chooseAt(3);
        chooseAt(4);
        QVERIFY(shows(w, Qt::blue));
        QCOMPARE(f->takeMessages(),
                 QStringList({"Não foi possível abrir a figura do mapa: Mapas/faltando.jpg",
                              "O nome da figura deste mapa não é válido: \"../fora.jpg\"."}));
    }

    // Both libraries in one window left open. A character over two rows is listed once and
    // joined, "##" breaking its lines; a disciple's "##" stays as stored. A name typed and left
    // with Enter or Tab chooses nothing, nor does choosing the same library again; a look-up
    // follows the list it was filled for; a name whose rows are gone shows an empty text. Ctrl+P
    // prints as "Imprimir" does.
    void charactersAndDisciples() {
        const QString lpt = f->dir.filePath("lpt1");
        setPrinterPort(filePrinterPort(lpt));
        FrmPers* w = openWindow<FrmPers>();
        QCOMPARE(items(w->Combo1), QStringList({"Abraão", "Rute"}));
        QCOMPARE(w->Combo1->currentText() + shown(w).join('|'),
                 "Escolha um Personagem" + kCredit + "||");
        choose(w->Combo1, "Abraão");
        const QStringList abraao{kCredit, "Abraão",
                                 "Primeiro parágrafo de Abraão.\n\nSegundo parágrafo.\n\nParte "
                                 "seguinte de Abraão.\n\n"};
        QCOMPARE(shown(w), abraao);
        QTest::keyClick(w->Combo1, Qt::Key_P, Qt::ControlModifier);
        QFile out(lpt);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), printLayout("Abraão", abraao[2]));
        test::typeInto(w->Combo1, "Rute", Qt::Key_Return);
        test::typeInto(w->Combo1, "Rute", Qt::Key_Tab);
        w->modeChanged();
        QCOMPARE(shown(w), abraao);

        TipoPers = "Discipulos";
        w->modeChanged();
        QCOMPARE(items(w->Combo1), QStringList({"Pedro", "Judas d'Alfeu", "André"}));
        QCOMPARE(shown(w), QStringList({"", "", ""}));
        TipoPers.clear();
        choose(w->Combo1, "Judas d'Alfeu");
        QCOMPARE(shown(w), QStringList({"", "Judas d'Alfeu", "Texto com ## que fica como está."}));
        f->exec("DELETE FROM Discipulos");
        choose(w->Combo1, "André");
        QCOMPARE(shown(w), QStringList({"", "André", ""}));
        QVERIFY(f->takeMessages().isEmpty());

        // A printer that cannot be opened is reported, not thrown out of the window.
        setPrinterPort(filePrinterPort(f->dir.filePath("sem-pasta/lpt1")));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        const QStringList m = f->takeMessages();
        QVERIFY2(m.size() == 1 && m[0].startsWith("Não foi possível abrir a impressora"),
                 qPrintable(m.join('\n')));
    }

    // Each window that lists a table, once a page in the middle of its rows is damaged: one
    // message says so, and the list stays empty instead of holding the rows read before it.
    void aDamagedPageListsNothing_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("columns");
        QTest::newRow("maps") << "Mapas"
                              << "Titulo, Mapa";
        QTest::newRow("characters") << "Personagens"
                                    << "Nome, Texto";
        QTest::newRow("disciples") << "Discipulos"
                                   << "Item, Nome, Texto";
        QTest::newRow("studies") << "Estudos"
                                 << "Titulo, Texto";
        QTest::newRow("reflections") << "Ilustracoes"
                                     << "Titulo, Texto";
    }
    void aDamagedPageListsNothing() {
        QFETCH(QString, table);
        QFETCH(QString, columns);
        f->fill(table, columns,
                (columns.startsWith("Item") ? "100 + i, " : "") + QString("'Extra ' || i, filler"));
        test::damageLastPage(f->database(), table);
        TipoPers = table == "Discipulos" ? "Discipulos" : "";
        const QStringList shown = table == "Mapas"         ? items(openWindow<FrmMapas>()->Combo1)
                                  : table == "Estudos"     ? listed(openWindow<FrmEstudos>())
                                  : table == "Ilustracoes" ? listed(openWindow<FrmIlustracoes>())
                                                           : items(openWindow<FrmPers>()->Combo1);
        const QStringList said = f->takeMessages();
        QCOMPARE(said.size(), 1);
        QCOMPARE(said[0].section('\n', 0, 0), QString("O arquivo Tovelo.mdb está danificado."));
        QCOMPARE(shown.join(""), QString());
    }

    // Titles, names and picture names from the database or an update show as the characters
    // they are, in every window and in the message box that quotes them: nothing renders,
    // links nothing, loads no picture.
    void storedMarkupShowsAsText() {
        const QString markup = "<b>Negrito</b><img src=\"file:///etc/x.png\"><a href=\"x:y\">z</a>";
        f->exec("INSERT INTO Estudos (Titulo, Texto) VALUES (?, '')", {markup});
        f->exec("INSERT INTO Ilustracoes (Titulo, Texto) VALUES (?, '')", {markup});
        f->exec("INSERT INTO Personagens (Nome, Texto) VALUES (?, '')", {Cifrar(markup, kChave)});
        TituloEstudo = markup;
        TituloIlustracao = markup;
        const QList<QWidget*> windows{openWindow<FrmEstudos>(), openWindow<FrmIlustracoes>(),
                                      openWindow<FrmEstudos2>(), openWindow<FrmIlustracoes2>(),
                                      openWindow<FrmPers>(), openWindow<FrmMapas>()};
        choose(instanceOf<FrmPers>()->Combo1, markup);
        QCOMPARE(instanceOf<FrmEstudos2>()->label5->text(), markup);
        QCOMPARE(instanceOf<FrmPers>()->Label1->text(), markup);
        for (QWidget* w : windows)
            for (const QLabel* l : w->findChildren<QLabel*>())
                QVERIFY2(l->textFormat() == Qt::PlainText || !Qt::mightBeRichText(l->text()),
                         qPrintable(w->objectName() + "." + l->objectName()));

        setMessageSink(nullptr);
        QString format;
        QTimer::singleShot(0, [&format] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            const auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            format = text->textFormat() == Qt::PlainText ? "plain" : text->text();
            box->accept();
        });
        showMessage("Não foi possível abrir a figura do mapa: Mapas/" + markup);
        QCOMPARE(format, QString("plain"));
    }

    void captionsAreWhole() {
        for (QWidget* w : std::initializer_list<QWidget*>{
                 openWindow<FrmEstudos>(), openWindow<FrmIlustracoes>(), openWindow<FrmEstudos2>(),
                 openWindow<FrmIlustracoes2>(), openWindow<FrmPers>(), openWindow<FrmMapas>()})
            QCOMPARE(test::cutCaptions(w), QStringList());
    }

private:
    std::optional<test::ContentFixture> f;
};

QTEST_MAIN(TestLibrary)
#include "test_library.moc"
