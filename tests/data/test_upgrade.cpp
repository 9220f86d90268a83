#include "AppCore.h"
#include "Builder.h"
#include "FrmLivros2.h"
#include "TestSupport.h"
#include "Upgrade.h"

#include <QtTest>

using namespace tovelo;

// A user's copy that got online updates, and a newer shipped database with more content. That
// an upgrade runs once per version is checked on the installed program (tests/install).
class TestUpgrade : public QObject {
    Q_OBJECT
private slots:
    // Both changed with the plain sqlite3 tool, as a packager might: the keys of the new titles
    // are left for the program to make.
    void init() {
        fx.emplace();
        content::buildDatabase(test::fixture("scripture.tsv"), test::fixture("authored"), newer());
        QCOMPARE(
            test::plainSqlite(fx->database(),
                              "INSERT INTO Estudos (Titulo, Texto) VALUES ('Baixado Um', '41'), "
                              "('Baixado Dois', '41');"
                              "INSERT INTO Atualizacoes VALUES ('Estudos', 1), ('Estudos', 2)"),
            QString());
        // A study the user has from an update already, in other letter case; a character over
        // two rows; a disciple the copy has, in other letter case; a verse in a chapter the copy
        // has, and a chapter it has not, whose number the copy gives to another chapter (the
        // newer database numbers its chapters anew).
        QCOMPARE(
            test::plainSqlite(
                newer(),
                "INSERT INTO Estudos (Titulo, Texto) VALUES ('Estudo Novo', 'novo'), "
                "('BAIXADO UM', '43');"
                "INSERT INTO Ilustracoes (Titulo, Texto) VALUES ('Reflexão Nova', 'Um');"
                "INSERT INTO Mapas (Titulo, Mapa) VALUES ('Mapa Novo', 'novo.jpg');"
                "INSERT INTO Personagens VALUES ('4465', 'parte 1'), ('4465', 'parte 2');"
                "INSERT INTO Discipulos VALUES (13, 'Matias', 'O fim.'), (14, 'PEDRO', 'x');"
                "INSERT INTO Versiculos (Id, Vers, Texto) SELECT Id, 99, 'Ali brotou a "
                "figueira' FROM Livros WHERE Livro = 'Rute' AND Capitulo = 2;"
                "UPDATE Livros SET Id = 1000 WHERE Id = 1;"
                "UPDATE Versiculos SET Id = 1000 WHERE Id = 1;"
                "INSERT INTO Livros (Id, Livro, Periodo, Capitulo) VALUES (1, 'Rute', 'VT', 4);"
                "INSERT INTO Versiculos (Id, Vers, Texto) VALUES (1, 1, 'Boaz subiu à porta');"
                "INSERT INTO Atualizacoes VALUES ('Reflexoes', 1);"
                "UPDATE Conteudo SET Versao = 'nova'"),
            QString());
    }
    void cleanup() { fx.reset(); }

    void addsWhatTheCopyLacksAndKeepsItsUpdates() {
        const auto counts = [this] {
            return fx
                ->scalar("SELECT (SELECT count(*) FROM Estudos) || ' ' || (SELECT count(*) "
                         "FROM Ilustracoes) || ' ' || (SELECT count(*) FROM Mapas) || ' ' || "
                         "(SELECT count(*) FROM Personagens) || ' ' || (SELECT count(*) FROM "
                         "Discipulos) || ' ' || (SELECT count(*) FROM Versiculos) || ' ' || "
                         "(SELECT group_concat(Tipo || Num) FROM Atualizacoes)")
                .toString();
        };
        QCOMPARE(counts(), "4 3 3 3 3 23 Estudos1,Estudos2");
        QVERIFY(addShippedContent(fx->database(), newer()));
        QCOMPARE(counts(), "5 4 4 5 4 25 Estudos1,Estudos2,Reflexoes1");
        QCOMPARE(fx->scalar("SELECT group_concat(Texto) FROM Estudos WHERE Titulo = 'Estudo Novo' "
                            "OR Titulo LIKE 'Baixado%'"),
                 QVariant("41,41,novo"));
        QCOMPARE(fx->scalar("SELECT group_concat(Texto) FROM Personagens WHERE Nome = '4465'"),
                 QVariant("parte 1,parte 2"));
        QCOMPARE(fx->scalar("SELECT Versao FROM Conteudo"), QVariant("nova"));

        // The keyword search finds the new verses, in the old chapter and the new one.
        FrmLivros2 search;
        for (const auto& [typed, hit] :
             {std::pair("figueira", "Rute - 2:99"), std::pair("SUBIU A PORTA", "Rute - 4:1")}) {
            search.Text2->setText(typed);
            search.Command2->click();
            QCOMPARE(search.hits(), QStringList({hit}));
        }
        QCOMPARE(fx->takeMessages(), QStringList());
    }

    void aFailureLeavesTheCopyAsItWas() {
        fx->exec("CREATE TRIGGER Recusa BEFORE INSERT ON Versiculos BEGIN "
                 "SELECT RAISE(ABORT, 'disco cheio'); END");
        QVERIFY_THROWS_EXCEPTION(DbError, addShippedContent(fx->database(), newer()));
        QCOMPARE(fx->scalar("SELECT count(*) FROM Estudos"), QVariant(4));
        QVERIFY(fx->scalar("SELECT Versao FROM Conteudo") != QVariant("nova")); // tried again
    }

private:
    QString newer() const { return fx->dir.filePath("novo.mdb"); }

    std::optional<test::ContentFixture> fx;
};

QTEST_MAIN(TestUpgrade)
#include "test_upgrade.moc"
