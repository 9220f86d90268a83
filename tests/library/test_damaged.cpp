#include "AppCore.h"
#include "Catalogues.h"
#include "FrmMapas.h"
#include "FrmPers.h"
#include "TestSupport.h"

#include <QtTest>

using namespace tovelo;
using tovelo::test::ContentFixture;

namespace {

const QString kDamaged = QStringLiteral("O arquivo Tovelo.mdb está danificado.");

QStringList items(const QComboBox* combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

QStringList listed(const Catalogue* w) {
    return static_cast<const PageModel*>(w->DataGrid1->model())->titles() +
           QStringList{w->lblreg->text()};
}

} // namespace

class TestDamaged : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        delete instanceOf<FrmMapas>().data();
        delete instanceOf<FrmPers>().data();
        delete instanceOf<FrmEstudos>().data();
        delete instanceOf<FrmIlustracoes>().data();
        TipoPers.clear();
    }

    // Each window that lists a table, once a page in the middle of its rows is damaged: one
    // message says so, and the list stays empty instead of holding the rows read before it.
    void aDamagedPageListsNothing_data() {
        QTest::addColumn<QString>("table");
        QTest::newRow("maps") << "Mapas";
        QTest::newRow("characters") << "Personagens";
        QTest::newRow("disciples") << "Discipulos";
        QTest::newRow("studies") << "Estudos";
        QTest::newRow("reflections") << "Ilustracoes";
    }
    void aDamagedPageListsNothing() {
        QFETCH(QString, table);
        ContentFixture f;
        if (table == "Mapas")
            f.fill(table, "Titulo, Mapa", "'Mapa extra ' || i, filler");
        else if (table == "Personagens")
            f.fill(table, "Nome, Texto", "hex('Extra ' || i), filler");
        else if (table == "Discipulos")
            f.fill(table, "Item, Nome, Texto", "100 + i, 'Extra ' || i, filler");
        else
            f.fill(table, "Titulo, Texto", "'Extra ' || i, filler");
        test::damageLastPage(f.database(), table);

        QStringList shown;
        if (table == "Mapas") {
            shown = items(openWindow<FrmMapas>()->Combo1);
        } else if (table == "Estudos") {
            shown = listed(openWindow<FrmEstudos>());
        } else if (table == "Ilustracoes") {
            shown = listed(openWindow<FrmIlustracoes>());
        } else {
            TipoPers = table == "Discipulos" ? "Discipulos" : "";
            shown = items(openWindow<FrmPers>()->Combo1);
        }
        const QStringList said = f.takeMessages();
        QCOMPARE(said.size(), 1);
        QCOMPARE(said[0].section('\n', 0, 0), kDamaged);
        QVERIFY(shown.join("").isEmpty());
    }
};

QTEST_MAIN(TestDamaged)
#include "test_damaged.moc"
