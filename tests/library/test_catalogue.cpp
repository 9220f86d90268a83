#include "AppCore.h"
#include "Articles.h"
#include "Catalogues.h"
#include "Cipher.h"
#include "TestSupport.h"
#include "TextKeys.h"

#include <QHeaderView>
#include <QtTest>

using namespace tovelo;
using tovelo::test::ContentFixture;

namespace {

QStringList gridTitles(const Catalogue* w) {
    return static_cast<const PageModel*>(w->DataGrid1->model())->titles();
}

QString numbered(int i) {
    return QStringLiteral("Estudo %1").arg(i, 3, 10, QLatin1Char('0'));
}

void doubleClickAt(QWidget* area, int y) {
    QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(10, y));
}

// Below the last row, where the grid has no cells.
void doubleClickEmptyArea(Catalogue* w) {
    doubleClickAt(w->DataGrid1->viewport(), w->DataGrid1->viewport()->height() - 5);
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void init() { f = std::make_unique<ContentFixture>(); }
    void cleanup() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete instanceOf<FrmEstudos>().data();
        delete instanceOf<FrmIlustracoes>().data();
        delete instanceOf<FrmEstudos2>().data();
        delete instanceOf<FrmIlustracoes2>().data();
        TituloEstudo.clear();
        TituloIlustracao.clear();
        f.reset();
    }

    // Empty, a double-click does nothing; with one title it opens that title, passed on as
    // stored, quote and accents included.
    void emptyThenOneTitle() {
        f->exec("DELETE FROM Estudos");
        FrmEstudos* w = openWindow<FrmEstudos>();
        QCOMPARE(f->takeMessages(), QStringList{"Não foi encontrado nenhum resultado."});
        QCOMPARE(gridTitles(w), QStringList());
        QCOMPARE(w->lblreg->text(), QString());
        doubleClickEmptyArea(w);
        doubleClickAt(w->DataGrid1->horizontalHeader()->viewport(), 5);
        QVERIFY(instanceOf<FrmEstudos2>().isNull());
        QVERIFY(TituloEstudo.isEmpty());

        const QString title = "O 'Pão' da Vida: Fé e Ação";
        f->exec("INSERT INTO Estudos (Titulo, Texto, Chave) VALUES (?, ?, ?)",
                {title, Cifrar("Primeiro.\tSegundo.", kChave), sortKey(title)});
        w->load();
        QCOMPARE(gridTitles(w), QStringList{title});
        QCOMPARE(w->lblreg->text(), "Foram encontrados 1 registros.");
        doubleClickEmptyArea(w); // below the rows: the current, first, title
        QCOMPARE(TituloEstudo, title);
        QVERIFY(instanceOf<FrmEstudos2>());
        QCOMPARE(instanceOf<FrmEstudos2>()->Text1->toPlainText(), "Primeiro.\n\nSegundo.");
        QVERIFY(f->takeMessages().isEmpty());
    }

    void firstPageInReadersOrder_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("350: the first 200") << 350;
        QTest::newRow("exactly 200") << 200;
    }
    void firstPageInReadersOrder() {
        QFETCH(int, rows);
        f->exec("DELETE FROM Estudos");
        Db db(f->database());
        db.begin();
        // Inserted backwards, so the table's own order is the reverse of the title order.
        for (int i = rows; i >= 1; --i)
            db.run(QStringLiteral("INSERT INTO Estudos (Titulo, Texto, Chave) VALUES (?, '', ?)"),
                   {numbered(i), sortKey(numbered(i))});
        db.commit();
        QStringList expected;
        for (int i = 1; i <= 200; ++i)
            expected << numbered(i);

        FrmEstudos* w = openWindow<FrmEstudos>();
        QCOMPARE(gridTitles(w), expected);
        QCOMPARE(w->lblreg->text(), QString("Foram encontrados %1 registros.").arg(rows));
    }

    void reflectionsInTableOrderAndChosenRowOpens() {
        FrmIlustracoes* w = openWindow<FrmIlustracoes>();
        QCOMPARE(gridTitles(w), (QStringList{"Zebra", "A Caixa d'Água", "CAFE"}));
        // A real double-click starts with a press, which makes the row current.
        const int y = w->DataGrid1->visualRect(w->DataGrid1->model()->index(1, 0)).center().y();
        QTest::mouseClick(w->DataGrid1->viewport(), Qt::LeftButton, {}, QPoint(10, y));
        doubleClickAt(w->DataGrid1->viewport(), y);
        QCOMPARE(TituloIlustracao, QStringLiteral("A Caixa d'Água"));
        QVERIFY(instanceOf<FrmIlustracoes2>());
    }

private:
    std::unique_ptr<ContentFixture> f;
};

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
