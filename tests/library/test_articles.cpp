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

    void shownText_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("enciphered");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one tab") << "Um.\tDois." << false << "Um.\r\n\r\nDois.";
        QTest::newRow("two tabs") << "Um.\t\tDois." << false << "Um.\r\n\r\n\r\n\r\nDois.";
        QTest::newRow("study deciphered")
            << Cifrar("Fé.\tAção.", kChave) << true << "Fé.\r\n\r\nAção.";
    }
    void shownText() {
        QFETCH(QString, stored);
        QFETCH(bool, enciphered);
        QFETCH(QString, shown);
        QCOMPARE(articleText(stored, enciphered), shown);
    }

    void readersShowTheStoredRow() {
        ContentFixture f;
        // A reflection that looks like enciphered text is shown as stored.
        TituloIlustracao = QStringLiteral("CAFE");
        QCOMPARE(openWindow<FrmIlustracoes2>()->Text1->toPlainText(), "CAFEBABE0123");
        // A title with no row shows an empty text, without a message.
        TituloEstudo = QStringLiteral("Estudo que não existe");
        FrmEstudos2* w = openWindow<FrmEstudos2>();
        QCOMPARE(w->Text1->toPlainText(), QString());
        QCOMPARE(w->label5->text(), TituloEstudo);
        QVERIFY(f.takeMessages().isEmpty());
    }

    void secondChoiceReloadsOpenReaderAndPrintsIt() {
        ContentFixture f;
        const QString lpt = f.dir.filePath(QStringLiteral("LPT1"));
        setPrinterPort(filePrinterPort(lpt));
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

        // What is printed is the text as edited.
        reader->Text1->setPlainText(QStringLiteral("Linha editada.\n\nOutra ç."));
        QTest::mouseClick(reader->Command2, Qt::LeftButton);
        QFile out(lpt);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), printLayout(QStringLiteral("Êxodo e Fé"),
                                            QStringLiteral("Linha editada.\r\n\r\nOutra ç.")));
        QVERIFY(f.takeMessages().isEmpty());
    }
};

QTEST_MAIN(TestArticles)
#include "test_articles.moc"
