#include "AppCore.h"
#include "Articles.h"
#include "Catalogues.h"
#include "Cipher.h"
#include "FrmMapas.h"
#include "FrmPers.h"
#include "TestSupport.h"
#include "TextKeys.h"

#include <QHeaderView>
#include <QtTest>

using namespace tovelo;
using tovelo::test::ContentFixture;

namespace {

// What the grid lists, then the count line under it.
QStringList shown(const Catalogue* w) {
    return static_cast<const PageModel*>(w->DataGrid1->model())->titles() +
           QStringList{w->lblreg->text()};
}

QString numbered(int i) {
    return QStringLiteral("Estudo %1").arg(i, 3, 10, QLatin1Char('0'));
}

// At y, or near the bottom (below the last row, where the grid has no cells) for a negative y.
void doubleClick(QWidget* area, int y = -5) {
    QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(10, y < 0 ? area->height() + y : y));
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
    // stored, quote and accents included. Of 350 titles the first 200 show, in title order.
    void studiesAsTheTableGrows() {
        f->exec("DELETE FROM Estudos");
        FrmEstudos* w = openWindow<FrmEstudos>();
        QCOMPARE(f->takeMessages(), QStringList{"Não foi encontrado nenhum resultado."});
        QCOMPARE(shown(w), QStringList{""});
        doubleClick(w->DataGrid1->viewport());
        doubleClick(w->DataGrid1->horizontalHeader()->viewport(), 5);
        QVERIFY(instanceOf<FrmEstudos2>().isNull() && TituloEstudo.isEmpty());

        const QString title = "O 'Pão' da Vida: Fé e Ação";
        f->exec("INSERT INTO Estudos (Titulo, Texto, Chave) VALUES (?, ?, ?)",
                {title, Cifrar("Primeiro.\tSegundo.", kChave), sortKey(title)});
        w->load();
        QCOMPARE(shown(w), QStringList({title, "Foram encontrados 1 registros."}));
        doubleClick(w->DataGrid1->viewport()); // below the rows: the current, first, title
        QCOMPARE(TituloEstudo, title);
        QVERIFY(instanceOf<FrmEstudos2>());
        QCOMPARE(instanceOf<FrmEstudos2>()->Text1->toPlainText(), "Primeiro.\n\nSegundo.");
        QVERIFY(f->takeMessages().isEmpty());

        for (const int rows : {350, 200}) {
            f->exec("DELETE FROM Estudos");
            Db db(f->database());
            db.begin();
            // Inserted backwards, so the table's own order is the reverse of the title order.
            for (int i = rows; i >= 1; --i)
                db.run("INSERT INTO Estudos (Titulo, Texto, Chave) VALUES (?, '', ?)",
                       {numbered(i), sortKey(numbered(i))});
            db.commit();
            w->load();
            QStringList expected;
            for (int i = 1; i <= 200; ++i)
                expected << numbered(i);
            QCOMPARE(shown(w), expected << QString("Foram encontrados %1 registros.").arg(rows));
        }
    }

    void reflectionsInTableOrderAndChosenRowOpens() {
        FrmIlustracoes* w = openWindow<FrmIlustracoes>();
        QCOMPARE(shown(w), QStringList({"Zebra", "A Caixa d'Água", "CAFE",
                                        "Foram encontrados 3 registros."}));
        // A real double-click starts with a press, which makes the row current.
        const int y = w->DataGrid1->visualRect(w->DataGrid1->model()->index(1, 0)).center().y();
        QTest::mouseClick(w->DataGrid1->viewport(), Qt::LeftButton, {}, QPoint(10, y));
        doubleClick(w->DataGrid1->viewport(), y);
        QCOMPARE(TituloIlustracao, QStringLiteral("A Caixa d'Água"));
        QVERIFY(instanceOf<FrmIlustracoes2>());
    }

    // Every library window shows its captions whole.
    void captionsAreWhole() {
        std::vector<std::unique_ptr<QWidget>> windows;
        windows.emplace_back(new FrmEstudos);
        windows.emplace_back(new FrmIlustracoes);
        windows.emplace_back(new FrmEstudos2);
        windows.emplace_back(new FrmIlustracoes2);
        windows.emplace_back(new FrmPers);
        windows.emplace_back(new FrmMapas);
        for (const auto& w : windows) {
            w->show();
            QCOMPARE(test::cutCaptions(w.get()), QStringList());
        }
    }

private:
    std::unique_ptr<ContentFixture> f;
};

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
