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

template <class W>
void discard() {
    delete instanceOf<W>().data();
}

void discardAll() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    discard<FrmEstudos>();
    discard<FrmIlustracoes>();
    discard<FrmEstudos2>();
    discard<FrmIlustracoes2>();
}

QStringList gridTitles(const Catalogue* w) {
    QStringList titles;
    const QAbstractItemModel* m = w->DataGrid1->model();
    for (int row = 0; row < m->rowCount(); ++row)
        titles << m->index(row, 0).data().toString();
    return titles;
}

void addStudy(const ContentFixture& f, const QString& title, const QString& text) {
    f.exec(QStringLiteral("INSERT INTO Estudos (Titulo, Texto, Chave) VALUES (?, ?, ?)"),
           {title, Cifrar(text, kChave), sortKey(title)});
}

// A double-click below the last row, where the grid has no cells.
void doubleClickEmptyArea(Catalogue* w) {
    QWidget* area = w->DataGrid1->viewport();
    QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(20, area->height() - 5));
}

bool closed(QPointer<FrmEstudos>& w) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return w.isNull();
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        discardAll();
        TituloEstudo.clear();
        TituloIlustracao.clear();
    }

    void emptyTableShowsMessageAndIgnoresDoubleClick() {
        ContentFixture f;
        f.exec(QStringLiteral("DELETE FROM Estudos"));
        QPointer<FrmEstudos> w = openWindow<FrmEstudos>();
        QCOMPARE(f.takeMessages(), QStringList{QStringLiteral("Não foi encontrado nenhum resultado.")});
        QCOMPARE(w->DataGrid1->model()->rowCount(), 0);
        QCOMPARE(w->lblreg->text(), QString());

        doubleClickEmptyArea(w);
        QTest::mouseDClick(w->DataGrid1->horizontalHeader()->viewport(), Qt::LeftButton, {},
                           QPoint(10, 5));
        QVERIFY(instanceOf<FrmEstudos2>().isNull());
        QVERIFY(TituloEstudo.isEmpty());
        QVERIFY(!closed(w));
        QVERIFY(f.takeMessages().isEmpty());
    }

    void oneTitlePassedOnAsStored() {
        ContentFixture f;
        f.exec(QStringLiteral("DELETE FROM Estudos"));
        const QString title = QStringLiteral("O 'Pão' da Vida: Fé e Ação");
        addStudy(f, title, QStringLiteral("Primeiro.\tSegundo."));
        QPointer<FrmEstudos> w = openWindow<FrmEstudos>();
        QCOMPARE(gridTitles(w), QStringList{title});
        QCOMPARE(w->lblreg->text(), QStringLiteral("Foram encontrados 1 registros."));
        QCOMPARE(w->DataGrid1->columnWidth(0), 3333);

        doubleClickEmptyArea(w);
        QCOMPARE(TituloEstudo, title);
        FrmEstudos2* reader = instanceOf<FrmEstudos2>();
        QVERIFY(reader);
        QCOMPARE(reader->label5->text(), title);
        QCOMPARE(reader->Text1->toPlainText(), QStringLiteral("Primeiro.\n\nSegundo."));
        QVERIFY(closed(w));
        QVERIFY(f.takeMessages().isEmpty());
    }

    void firstPageInReadersOrder_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("350: the first 200") << 350;
        QTest::newRow("exactly 200") << 200;
    }
    void firstPageInReadersOrder() {
        QFETCH(int, rows);
        ContentFixture f;
        f.exec(QStringLiteral("DELETE FROM Estudos"));
        {
            Db db(f.database());
            db.begin();
            // Inserted backwards, so the table's own order is the reverse of the title order.
            for (int i = rows; i >= 1; --i) {
                const QString t = QStringLiteral("Estudo %1").arg(i, 3, 10, QLatin1Char('0'));
                db.run(QStringLiteral("INSERT INTO Estudos (Titulo, Texto, Chave) VALUES (?, '', ?)"),
                       {t, sortKey(t)});
            }
            db.commit();
        }
        QStringList expected;
        for (int i = 1; i <= 200; ++i)
            expected << QStringLiteral("Estudo %1").arg(i, 3, 10, QLatin1Char('0'));

        QPointer<FrmEstudos> w = openWindow<FrmEstudos>();
        QCOMPARE(gridTitles(w), expected);
        QCOMPARE(w->lblreg->text(), QStringLiteral("Foram encontrados %1 registros.").arg(rows));
        QCOMPARE(w->DataGrid1->currentIndex().row(), 0);
    }

    void reflectionsInTableOrderAndChosenRowOpens() {
        ContentFixture f;
        QPointer<FrmIlustracoes> w = openWindow<FrmIlustracoes>();
        QCOMPARE(gridTitles(w), (QStringList{QStringLiteral("Zebra"), QStringLiteral("A Caixa d'Água"),
                                             QStringLiteral("CAFE")}));
        QCOMPARE(w->lblreg->text(), QStringLiteral("Foram encontrados 3 registros."));

        QWidget* cells = w->DataGrid1->viewport();
        const QRect second = w->DataGrid1->visualRect(w->DataGrid1->model()->index(1, 0));
        // A real double-click starts with a press, which makes the row current.
        QTest::mouseClick(cells, Qt::LeftButton, {}, QPoint(10, second.center().y()));
        QTest::mouseDClick(cells, Qt::LeftButton, {}, QPoint(10, second.center().y()));
        QCOMPARE(TituloIlustracao, QStringLiteral("A Caixa d'Água"));
        FrmIlustracoes2* reader = instanceOf<FrmIlustracoes2>();
        QVERIFY(reader);
        QCOMPARE(reader->Text1->toPlainText(),
                 QStringLiteral("Reflexão com aspas.\n\nSegundo parágrafo."));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(instanceOf<FrmIlustracoes>().isNull());

        // Reopened: a double-click on the heading takes the current row; "Sair" only closes.
        w = openWindow<FrmIlustracoes>();
        w->DataGrid1->setCurrentIndex(w->DataGrid1->model()->index(2, 0));
        QTest::mouseDClick(w->DataGrid1->horizontalHeader()->viewport(), Qt::LeftButton, {},
                           QPoint(10, 5));
        QCOMPARE(TituloIlustracao, QStringLiteral("CAFE"));
        w = openWindow<FrmIlustracoes>();
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
        QCOMPARE(TituloIlustracao, QStringLiteral("CAFE"));
    }
};

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
