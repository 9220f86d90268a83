#include "AppCore.h"
#include "FrmSobre.h"

#include <QtTest>

using namespace tovelo;

namespace {

const QString kText = QStringLiteral(
    "Tovelo Sagrada vs 1.0\r\n\r\n"
    "Autor: Equipe Tovelo\r\n\r\n"
    "Realizo diversos trabalhos relativos a informática. Você que utiliza este software e "
    "gosta do meu trabalho, não deixe de fazer um orçamento do que você precisa comigo.\r\n\r\n"
    "Envie um email para contato@tovelo.org\r\n\r\n"
    "Fica na Paz do Senhor. Amém!");

QString shown() {
    return QString(kText).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void windowShowsTheTextOnce() {
        QCOMPARE(aboutText(), kText);
        FrmSobre w;
        QCOMPARE(w.windowTitle(), QString("Muito Obrigado!!!"));
        QCOMPARE(w.size(), QSize(272, 207));
        QVERIFY(w.Text1->isReadOnly());
        QCOMPARE(w.Text1->toPlainText(), shown());
        QVERIFY(w.Text1->toPlainText().startsWith("Tovelo Sagrada vs 1.0"));
    }

    void openingAgainNeverRepeatsIt() {
        bool created = false;
        FrmSobre* w = openWindow<FrmSobre>(&created);
        QVERIFY(created);
        QCOMPARE(openWindow<FrmSobre>(&created), w);
        QVERIFY(!created);
        QCOMPARE(w->Text1->toPlainText(), shown());

        closeChild(w);
        QTRY_VERIFY(instanceOf<FrmSobre>().isNull());
        w = openWindow<FrmSobre>(&created);
        QVERIFY(created);
        QCOMPARE(w->Text1->toPlainText(), shown());
        closeChild(w);
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
