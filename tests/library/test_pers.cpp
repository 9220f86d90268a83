#include "AppCore.h"
#include "Cipher.h"
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
    // rows are gone (an empty text, not a failure).
    void eachLibrary_data() {
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("credit");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        // A character over two rows is listed once and joined; "##" breaks its lines.
        QTest::newRow("characters") << "" << kCharacters << kCredit << "Abraão" << kAbraao;
        QTest::newRow("other letter case")
            << "discipulos" << kCharacters << kCredit << "Abraão" << kAbraao;
        // A quote in the name is harmless and "##" stays as stored.
        QTest::newRow("disciples") << "Discipulos" << kDisciples << ""
                                   << "Judas d'Alfeu"
                                   << "Texto com ## que fica como está.";
    }
    void eachLibrary() {
        QFETCH(QString, tipo);
        QFETCH(QStringList, list);
        QFETCH(QString, credit);
        QFETCH(QString, name);
        QFETCH(QString, text);
        ContentFixture fx;
        TipoPers = tipo;
        FrmPers w;
        w.load();
        QCOMPARE(items(w.Combo1), list);
        QCOMPARE(w.Combo1->currentText(), QString("Escolha um Personagem"));
        QCOMPARE(w.Text1->toPlainText() + w.Label1->text(), QString());
        QCOMPARE(w.Label3->text(), credit);

        choose(w, name);
        QCOMPARE(w.Text1->toPlainText(), text);
        QCOMPARE(w.Label1->text(), name);

        if (credit.isEmpty())
            fx.exec("DELETE FROM Discipulos WHERE Nome = ?", {name});
        else
            fx.exec("DELETE FROM Personagens WHERE Nome = ?", {Cifrar(name, kChave)});
        choose(w, name);
        QCOMPARE(w.Text1->toPlainText(), QString());
        QCOMPARE(w.Label1->text(), name);
        QCOMPARE(fx.takeMessages(), QStringList());
    }

    void theOtherLibraryChosenWhileOpenRefillsTheList() {
        ContentFixture fx;
        FrmPers* w = openWindow<FrmPers>();
        choose(*w, "Rute");
        // The same library again keeps the choice.
        w->modeChanged();
        QCOMPARE(w->Label1->text(), QString("Rute"));

        TipoPers = "Discipulos";
        w->modeChanged();
        QCOMPARE(items(w->Combo1), kDisciples);
        QCOMPARE(w->Label3->text() + w->Label1->text() + w->Text1->toPlainText(), QString());

        // A look-up follows the list it was filled for, even if TipoPers changes under it.
        TipoPers.clear();
        choose(*w, "André");
        QCOMPARE(w->Text1->toPlainText(), QString("O fim de André."));
        w->modeChanged();
        QCOMPARE(items(w->Combo1), kCharacters);
        QCOMPARE(w->Label3->text(), kCredit);
        QCOMPARE(fx.takeMessages(), QStringList());
    }

    void typingWithoutChoosingChangesNothing() {
        ContentFixture fx;
        FrmPers w;
        w.show();
        w.load();
        choose(w, "Rute");
        w.Combo1->lineEdit()->clear();
        QTest::keyClicks(w.Combo1->lineEdit(), "Abra");
        QCOMPARE(w.Label1->text(), QString("Rute"));
        QCOMPARE(w.Text1->toPlainText(), QString("Uma única parte.\n\n"));
    }

    void imprimirSendsTheLabelAndTheText() {
        ContentFixture fx;
        const QString lpt = fx.dir.filePath("lpt1");
        setPrinterPort(filePrinterPort(lpt));
        FrmPers w;
        w.load();
        choose(w, "Abraão");
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QFile out(lpt);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(),
                 QByteArray("\r\nAbra\xE3o\r\n           Primeiro par\xE1grafo de Abra\xE3o.\r\n"
                            "\r\n"
                            "Segundo par\xE1grafo.\r\n\r\nParte seguinte de Abra\xE3o.\r\n\r\n"
                            "\r\n\f\r\n"));
        QCOMPARE(fx.takeMessages(), QStringList());

        // A printer that cannot be opened is reported, not thrown out of the window.
        setPrinterPort(filePrinterPort(fx.dir.filePath("sem-pasta/lpt1")));
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        const QStringList messages = fx.takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("Não foi possível abrir a impressora"));
    }
};

QTEST_MAIN(TestPers)
#include "test_pers.moc"
