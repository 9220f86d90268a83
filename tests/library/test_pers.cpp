#include "AppCore.h"
#include "Cipher.h"
#include "FrmPers.h"
#include "PrintText.h"
#include "TestSupport.h"

#include <QFile>
#include <QLineEdit>
#include <QtTest>

using namespace tovelo;
using tovelo::test::ContentFixture;

namespace {

const QString kCredit =
    QStringLiteral("Fonte: textos escritos pela equipe do Tovelo a partir das Escrituras.");
const QString kAbraao = QStringLiteral("Primeiro parágrafo de Abraão.\n\nSegundo parágrafo.\n\n"
                                       "Parte seguinte de Abraão.\n\n");

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

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestPers : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        TipoPers.clear();
        setPrinterPort(nullptr);
    }

    void characterTextJoinsPartsAndBreaksLines() {
        QCOMPARE(characterText({}), QString());
        QCOMPARE(characterText({"um##dois"}), QString("um\r\ndois\r\n\r\n"));
        QCOMPARE(characterText({"a", "b####c"}), QString("a\r\n\r\nb\r\n\r\nc\r\n\r\n"));
        QCOMPARE(characterText({"###"}), QString("\r\n#\r\n\r\n")); // left to right
    }

    void charactersMode_data() {
        QTest::addColumn<QString>("tipo");
        QTest::newRow("empty") << "";
        QTest::newRow("other letter case") << "discipulos";
        QTest::newRow("anything else") << "Biblioteca";
    }
    void charactersMode() {
        QFETCH(QString, tipo);
        ContentFixture fx;
        TipoPers = tipo;
        FrmPers w;
        QCOMPARE(w.windowTitle(), QString("Personagens Bíblicos"));
        QCOMPARE(w.size(), QSize(415, 323));
        w.load();
        // A character stored over two rows is listed once, in stored order.
        QCOMPARE(items(w.Combo1), QStringList({"Abraão", "Rute"}));
        QCOMPARE(w.Combo1->currentText(), QString("Escolha um Personagem"));
        QCOMPARE(w.Text1->toPlainText(), QString());
        QCOMPARE(w.Label1->text(), QString());
        QCOMPARE(w.Label3->text(), kCredit);

        choose(w, "Abraão");
        QCOMPARE(w.Text1->toPlainText(), kAbraao);
        QCOMPARE(w.Label1->text(), QString("Abraão"));
        choose(w, "Rute");
        QCOMPARE(w.Text1->toPlainText(), QString("Uma única parte.\n\n"));
        choose(w, "Abraão");
        QCOMPARE(w.Text1->toPlainText(), kAbraao);
        QCOMPARE(fx.takeMessages(), QStringList());
    }

    void disciplesMode() {
        ContentFixture fx;
        TipoPers = "Discipulos";
        FrmPers w;
        w.load();
        QCOMPARE(items(w.Combo1), QStringList({"Pedro", "Judas d'Alfeu", "André"}));
        QCOMPARE(w.Combo1->currentText(), QString("Escolha um Personagem"));
        QCOMPARE(w.Text1->toPlainText(), QString());
        QCOMPARE(w.Label1->text(), QString());
        QCOMPARE(w.Label3->text(), QString());

        // The quote in the name is harmless and "##" stays as stored.
        choose(w, "Judas d'Alfeu");
        QCOMPARE(w.Text1->toPlainText(), QString("Texto com ## que fica como está."));
        QCOMPARE(w.Label1->text(), QString("Judas d'Alfeu"));
        choose(w, "Pedro");
        QCOMPARE(w.Text1->toPlainText(), QString("O fim de Pedro.\n\nSegundo parágrafo de Pedro."));
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

    void aNameWithoutRowsShowsAnEmptyText() {
        ContentFixture fx;
        struct Case {
            QString tipo, name, table;
            QVariant stored;
        };
        const QList<Case> cases{{"", "Rute", "Personagens", Cifrar("Rute", kChave)},
                                {"Discipulos", "André", "Discipulos", "André"}};
        for (const Case& c : cases) {
            TipoPers = c.tipo;
            FrmPers w;
            w.load();
            choose(w, c.name);
            QVERIFY(!w.Text1->toPlainText().isEmpty());
            fx.exec("DELETE FROM " + c.table + " WHERE Nome = ?", {c.stored});
            choose(w, c.name);
            QCOMPARE(w.Text1->toPlainText(), QString());
            QCOMPARE(w.Label1->text(), c.name);
        }
        QCOMPARE(fx.takeMessages(), QStringList());
    }

    void theOtherLibraryChosenWhileOpenRefillsTheList() {
        ContentFixture fx;
        TipoPers.clear();
        FrmPers* w = openWindow<FrmPers>();
        choose(*w, "Rute");

        // The same command again only brings the window forward: the choice stays.
        bool created = true;
        QCOMPARE(openWindow<FrmPers>(&created), w);
        QVERIFY(!created);
        w->modeChanged();
        QCOMPARE(w->Label1->text(), QString("Rute"));

        TipoPers = "Discipulos";
        openWindow<FrmPers>();
        w->modeChanged();
        QVERIFY(w->showsDisciples());
        QCOMPARE(items(w->Combo1), QStringList({"Pedro", "Judas d'Alfeu", "André"}));
        QCOMPARE(w->Label3->text(), QString());
        QCOMPARE(w->Label1->text(), QString());
        QCOMPARE(w->Text1->toPlainText(), QString());
        choose(*w, "Pedro");
        QVERIFY(w->Text1->toPlainText().startsWith("O fim de Pedro."));

        // A look-up follows the list it was filled for, even if TipoPers changes under it.
        TipoPers.clear();
        choose(*w, "André");
        QCOMPARE(w->Text1->toPlainText(), QString("O fim de André."));
        w->modeChanged();
        QCOMPARE(items(w->Combo1), QStringList({"Abraão", "Rute"}));
        QCOMPARE(w->Label3->text(), kCredit);

        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QTRY_VERIFY(instanceOf<FrmPers>().isNull());
        QCOMPARE(fx.takeMessages(), QStringList());
    }

    void imprimirSendsTheLabelAndTheText() {
        ContentFixture fx;
        const QString lpt = fx.dir.filePath("lpt1");
        setPrinterPort(filePrinterPort(lpt));
        FrmPers w;
        w.load();
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(readAll(lpt), QByteArray("\r\n\r\n           \r\n\f\r\n"));

        choose(w, "Abraão");
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(readAll(lpt),
                 QByteArray("\r\nAbra\xE3o\r\n           Primeiro par\xE1grafo de Abra\xE3o.\r\n\r\n"
                            "Segundo par\xE1grafo.\r\n\r\nParte seguinte de Abra\xE3o.\r\n\r\n"
                            "\r\n\f\r\n"));
        QCOMPARE(fx.takeMessages(), QStringList());

        // A printer that cannot be opened is reported; the window keeps what it shows.
        setPrinterPort(filePrinterPort(fx.dir.filePath("sem-pasta/lpt1")));
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        const QStringList messages = fx.takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("Não foi possível abrir a impressora"));
        QCOMPARE(w.Label1->text(), QString("Abraão"));
        QCOMPARE(w.Text1->toPlainText(), kAbraao);
    }
};

QTEST_MAIN(TestPers)
#include "test_pers.moc"
