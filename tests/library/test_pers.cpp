#include "AppCore.h"
#include "FrmPers.h"
#include "PrintText.h"
#include "TestSupport.h"

#include <QLineEdit>
#include <QtTest>

using namespace tovelo;
using tovelo::test::ContentFixture;

namespace {

const QString kCredit =
    QStringLiteral("Fonte: textos escritos pela equipe do Tovelo a partir das Escrituras.");
const QString kAbraao = QStringLiteral("Primeiro parágrafo de Abraão.\n\nSegundo parágrafo.\n\n"
                                       "Parte seguinte de Abraão.\n\n");
const QStringList kCharacters{"Abraão", "Rute"};
const QStringList kDisciples{"Pedro", "Judas d'Alfeu", "André"};

QStringList items(const QComboBox* combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

// The credit, the name heading the text, and the text.
QStringList shown(const FrmPers& w) {
    return {w.Label3->text(), w.Label1->text(), w.Text1->toPlainText()};
}

void choose(FrmPers& w, const QString& name) {
    const int i = w.Combo1->findText(name);
    QVERIFY2(i >= 0, qPrintable(name));
    w.Combo1->setCurrentIndex(i);
    emit w.Combo1->activated(i);
}

} // namespace

class TestPers : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        delete instanceOf<FrmPers>().data();
        TipoPers.clear();
        setPrinterPort(nullptr);
    }

    // Each library: list and prompt, its credit, the chosen text, then the same name once its
    // rows are gone (an empty text, not a failure). A character over two rows is listed once
    // and joined, "##" breaking its lines; a quote in a disciple's name is harmless, and "##"
    // stays as stored there.
    void eachLibrary_data() {
        QTest::addColumn<QString>("tipo");
        QTest::newRow("characters") << "";
        QTest::newRow("other letter case") << "discipulos";
        QTest::newRow("disciples") << "Discipulos";
    }
    void eachLibrary() {
        QFETCH(QString, tipo);
        const bool disciples = tipo == "Discipulos";
        const QString credit = disciples ? QString() : kCredit;
        const QString name = disciples ? "Judas d'Alfeu" : "Abraão";
        ContentFixture fx;
        TipoPers = tipo;
        FrmPers w;
        w.load();
        QCOMPARE(items(w.Combo1), disciples ? kDisciples : kCharacters);
        QCOMPARE(w.Combo1->currentText(), QString("Escolha um Personagem"));
        QCOMPARE(shown(w), QStringList({credit, "", ""}));

        choose(w, name);
        const QString text = disciples ? "Texto com ## que fica como está." : kAbraao;
        QCOMPARE(shown(w), QStringList({credit, name, text}));
        fx.exec("DELETE FROM Discipulos");
        fx.exec("DELETE FROM Personagens");
        choose(w, name);
        QCOMPARE(shown(w), QStringList({credit, name, ""}));
        QCOMPARE(fx.takeMessages(), QStringList());
    }

    // One window left open: printing, typing, then switching library under it.
    void whileOpen() {
        ContentFixture fx;
        const QString lpt = fx.dir.filePath("lpt1");
        setPrinterPort(filePrinterPort(lpt));
        FrmPers* w = openWindow<FrmPers>();
        choose(*w, "Abraão");
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QFile out(lpt);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(
            out.readAll(),
            QByteArray(
                "\r\nAbra\xE3o\r\n           Primeiro par\xE1grafo de Abra\xE3o.\r\n\r\n"
                "Segundo par\xE1grafo.\r\n\r\nParte seguinte de Abra\xE3o.\r\n\r\n\r\n\f\r\n"));

        // An exact name typed and left with Enter or Tab chooses nothing.
        test::typeInto(w->Combo1, "Rute", Qt::Key_Return);
        test::typeInto(w->Combo1, "Rute", Qt::Key_Tab);
        QCOMPARE(shown(*w), QStringList({kCredit, "Abraão", kAbraao}));

        choose(*w, "Rute");
        const QStringList rute{kCredit, "Rute", "Uma única parte.\n\n"};
        // Typing without choosing changes nothing, nor does the same library again.
        w->Combo1->lineEdit()->clear();
        QTest::keyClicks(w->Combo1->lineEdit(), "Abra");
        QCOMPARE(shown(*w), rute);
        w->modeChanged();
        QCOMPARE(shown(*w), rute);

        TipoPers = "Discipulos";
        w->modeChanged();
        QCOMPARE(items(w->Combo1), kDisciples);
        QCOMPARE(shown(*w), QStringList({"", "", ""}));
        // A look-up follows the list it was filled for, even if TipoPers changes under it.
        TipoPers.clear();
        choose(*w, "André");
        QCOMPARE(w->Text1->toPlainText(), QString("O fim de André."));
        w->modeChanged();
        QCOMPARE(items(w->Combo1), kCharacters);
        QCOMPARE(shown(*w), QStringList({kCredit, "", ""}));

        // A printer that cannot be opened is reported, not thrown out of the window; no other
        // message came before it.
        setPrinterPort(filePrinterPort(fx.dir.filePath("sem-pasta/lpt1")));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        const QStringList m = fx.takeMessages();
        QVERIFY2(m.size() == 1 && m[0].startsWith("Não foi possível abrir a impressora"),
                 qPrintable(m.join('\n')));
    }
};

QTEST_MAIN(TestPers)
#include "test_pers.moc"
