#include "AppCore.h"
#include "Articles.h"
#include "Catalogues.h"
#include "Cipher.h"
#include "PrintText.h"
#include "TestSupport.h"

#include <QtTest>

using namespace tovelo;
using tovelo::test::ContentFixture;

namespace {

template <class W>
void discard() {
    delete instanceOf<W>().data();
}

QByteArray printed(const ContentFixture& f) {
    QFile out(f.dir.filePath(QStringLiteral("LPT1")));
    return out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
}

} // namespace

class TestArticles : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        discard<FrmEstudos>();
        discard<FrmEstudos2>();
        discard<FrmIlustracoes2>();
        setPrinterPort(nullptr);
    }

    void shownText_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("enciphered");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no tab") << "Um só bloco." << false << "Um só bloco.";
        QTest::newRow("one tab") << "Um.\tDois." << false << "Um.\r\n\r\nDois.";
        QTest::newRow("two tabs") << "Um.\t\tDois." << false << "Um.\r\n\r\n\r\n\r\nDois.";
        QTest::newRow("study deciphered") << Cifrar("Fé.\tAção.", kChave) << true << "Fé.\r\n\r\nAção.";
        QTest::newRow("reflection that looks like hex") << "CAFEBABE0123" << false << "CAFEBABE0123";
        QTest::newRow("empty study") << "" << true << "";
    }
    void shownText() {
        QFETCH(QString, stored);
        QFETCH(bool, enciphered);
        QFETCH(QString, shown);
        QCOMPARE(articleText(stored, enciphered), shown);
    }

    void studyFoundIgnoringCaseAndLooks() {
        ContentFixture f;
        TituloEstudo = QStringLiteral("êxodo e fé");
        FrmEstudos2* w = openWindow<FrmEstudos2>();
        QCOMPARE(w->Text1->toPlainText(), QStringLiteral("Texto do estudo."));
        QCOMPARE(w->label5->text(), QStringLiteral("êxodo e fé"));
        QCOMPARE(w->label5->palette().color(QPalette::Window),
                 QApplication::palette().color(QPalette::WindowText));
        QVERIFY(!w->Text1->isReadOnly());
        QVERIFY(f.takeMessages().isEmpty());
    }

    void reflectionShownAsStoredFirstRowWins() {
        ContentFixture f;
        f.exec(QStringLiteral("INSERT INTO Ilustracoes (Titulo, Texto, Chave) "
                              "SELECT Titulo, 'segunda', Chave FROM Ilustracoes WHERE Titulo = 'CAFE'"));
        TituloIlustracao = QStringLiteral("CAFE");
        FrmIlustracoes2* w = openWindow<FrmIlustracoes2>();
        QCOMPARE(w->Text1->toPlainText(), QStringLiteral("CAFEBABE0123"));
        QCOMPARE(w->label5->palette().color(QPalette::Window), QColor(192, 0, 0));
    }

    void titleWithoutRowShowsEmptyText() {
        ContentFixture f;
        TituloEstudo = QStringLiteral("Estudo que não existe");
        FrmEstudos2* w = openWindow<FrmEstudos2>();
        QVERIFY(w);
        QCOMPARE(w->Text1->toPlainText(), QString());
        QCOMPARE(w->label5->text(), TituloEstudo);
        QVERIFY(f.takeMessages().isEmpty());
    }

    void secondChoiceReloadsOpenReaderAndPrintsIt() {
        ContentFixture f;
        setPrinterPort(filePrinterPort(f.dir.filePath(QStringLiteral("LPT1"))));
        TituloEstudo = QStringLiteral("Estudo Beta");
        QPointer<FrmEstudos2> reader = openWindow<FrmEstudos2>();
        reader->Text1->setPlainText(QStringLiteral("Editado e não guardado"));

        // The user reopens the catalogue and picks the other study, leaving the reader open.
        FrmEstudos* catalogue = openWindow<FrmEstudos>();
        catalogue->DataGrid1->setCurrentIndex(catalogue->DataGrid1->model()->index(1, 0));
        QWidget* area = catalogue->DataGrid1->viewport();
        QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(5, area->height() - 5));
        QCOMPARE(instanceOf<FrmEstudos2>().data(), reader.data());
        QCOMPARE(reader->label5->text(), QStringLiteral("Êxodo e Fé"));
        QCOMPARE(reader->Text1->toPlainText(), QStringLiteral("Texto do estudo."));

        reader->Text1->setPlainText(QStringLiteral("Linha editada.\n\nOutra ç."));
        QTest::mouseClick(reader->Command2, Qt::LeftButton);
        QCOMPARE(printed(f), printLayout(QStringLiteral("Êxodo e Fé"),
                                         QStringLiteral("Linha editada.\r\n\r\nOutra ç.")));
        QVERIFY(f.takeMessages().isEmpty());

        // Closed and opened again, the stored text is back.
        QTest::mouseClick(reader->Command1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(reader.isNull());
        QCOMPARE(openWindow<FrmEstudos2>()->Text1->toPlainText(), QStringLiteral("Texto do estudo."));
    }

};

QTEST_MAIN(TestArticles)
#include "test_articles.moc"
