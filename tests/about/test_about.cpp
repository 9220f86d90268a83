#include "AppCore.h"
#include "FrmSobre.h"

#include <QtTest>

using namespace tovelo;

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    // One window at a time, and a window opened anew shows the text once, not twice.
    void textShownOnceAfterReopening() {
        const QString shown = aboutText().replace("\r\n", "\n");
        QVERIFY(shown.startsWith("Tovelo Sagrada vs 1.0\n\nAutor: Equipe Tovelo\n\n"));
        bool created = false;
        FrmSobre* w = openWindow<FrmSobre>(&created);
        QCOMPARE(openWindow<FrmSobre>(&created), w);
        QVERIFY(!created);
        closeChild(w);
        QTRY_VERIFY(instanceOf<FrmSobre>().isNull());
        w = openWindow<FrmSobre>(&created);
        QVERIFY(created);
        QCOMPARE(w->Text1->toPlainText(), shown);
        closeChild(w);
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
