#include "AppCore.h"
#include "Articles.h"
#include "Catalogues.h"
#include "Cipher.h"
#include "PrintText.h"
#include "TestSupport.h"

#include <QtTest>

using namespace tovelo;
using tovelo::test::ContentFixture;

class TestArticles : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete instanceOf<FrmEstudos>().data();
        delete instanceOf<FrmEstudos2>().data();
        delete instanceOf<FrmIlustracoes2>().data();
        setPrinterPort(nullptr);
    }

    // Each tab is a paragraph break; a study is deciphered first.
    void shownText() {
        QCOMPARE(articleText("Um.\tDois.", false), "Um.\r\n\r\nDois.");
        QCOMPARE(articleText("Um.\t\tDois.", false), "Um.\r\n\r\n\r\n\r\nDois.");
        QCOMPARE(articleText(Cifrar("Fé.\tAção.", kChave), true), "Fé.\r\n\r\nAção.");
    }

    void readersShowTheStoredRowReloadAndPrint() {
        ContentFixture f;
        const QString lpt = f.dir.filePath("LPT1");
        setPrinterPort(filePrinterPort(lpt));
        // A reflection that looks like enciphered text is shown as stored.
        TituloIlustracao = "CAFE";
        QCOMPARE(openWindow<FrmIlustracoes2>()->Text1->toPlainText(), "CAFEBABE0123");
        // A title with no row shows an empty text, without a message.
        TituloEstudo = "Estudo que não existe";
        QPointer<FrmEstudos2> reader = openWindow<FrmEstudos2>();
        QCOMPARE(reader->label5->text() + ": " + reader->Text1->toPlainText(), TituloEstudo + ": ");
        reader->Text1->setPlainText("Editado e não guardado");

        // The user reopens the catalogue and picks the other study, leaving the reader open.
        FrmEstudos* catalogue = openWindow<FrmEstudos>();
        catalogue->DataGrid1->setCurrentIndex(catalogue->DataGrid1->model()->index(1, 0));
        QWidget* area = catalogue->DataGrid1->viewport();
        QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(5, area->height() - 5));
        QCOMPARE(instanceOf<FrmEstudos2>().data(), reader.data());
        QCOMPARE(reader->label5->text() + ": " + reader->Text1->toPlainText(),
                 "Êxodo e Fé: Texto do estudo.");

        // What is printed is the text as edited.
        reader->Text1->setPlainText("Linha editada.\n\nOutra ç.");
        QTest::mouseClick(reader->Command2, Qt::LeftButton);
        QFile out(lpt);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), printLayout("Êxodo e Fé", "Linha editada.\r\n\r\nOutra ç."));
        QVERIFY(f.takeMessages().isEmpty());
    }
};

QTEST_MAIN(TestArticles)
#include "test_articles.moc"
