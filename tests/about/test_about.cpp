#include "AppCore.h"
#include "FrmSobre.h"

#include <QtTest>

using namespace tovelo;

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void textShownOnceAfterReopening() {
        const QString text = QStringLiteral(
            "Tovelo Sagrada vs 1.0\r\n\r\n"
            "Autor: Equipe Tovelo\r\n\r\n"
            "Realizo diversos trabalhos relativos a informática. Você que utiliza este software e "
            "gosta do meu trabalho, não deixe de fazer um orçamento do que você precisa "
            "comigo.\r\n\r\n"
            "Envie um email para contato@tovelo.org\r\n\r\n"
            "Fica na Paz do Senhor. Amém!");
        QCOMPARE(aboutText(), text);
        const QString shown = QString(text).replace("\r\n", "\n");
        bool created = false;
        FrmSobre* w = openWindow<FrmSobre>(&created);
        QCOMPARE(w->Text1->toPlainText(), shown);
        QCOMPARE(openWindow<FrmSobre>(&created), w); // opening again brings back the same window
        QVERIFY(!created);
        QCOMPARE(w->Text1->toPlainText(), shown);

        closeChild(w);
        QTRY_VERIFY(instanceOf<FrmSobre>().isNull());
        w = openWindow<FrmSobre>(&created);
        QVERIFY(created);
        QCOMPARE(w->Text1->toPlainText(), shown); // a fresh window, the text not doubled
        closeChild(w);
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
