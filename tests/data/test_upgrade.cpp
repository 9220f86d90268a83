#include "AppCore.h"
#include "Builder.h"
#include "Cipher.h"
#include "FrmLivros2.h"
#include "TestSupport.h"
#include "TextKeys.h"
#include "Upgrade.h"

#include <QtTest>

using namespace tovelo;

// A user's copy that got online updates, and a newer shipped database with more content. That
// an upgrade runs once per version is checked on the installed program (tests/install).
class TestUpgrade : public QObject {
    Q_OBJECT
private slots:
    void init() {
        fx.emplace();
        content::buildDatabase(test::fixture("scripture.tsv"), test::fixture("authored"), newer());
        for (const char* title : {"Baixado Um", "Baixado Dois"})
            fx->exec("INSERT INTO Estudos (Titulo, Texto, Chave) VALUES (?, '41', ?)",
                     {title, sortKey(QString(title))});
        fx->exec("INSERT INTO Atualizacoes (Tipo, Num) VALUES ('Estudos', 1), ('Estudos', 2)");
        Db db(newer());
        const auto add = [&db](const QString& table, const QString& title, const QString& text) {
            db.run(QStringLiteral("INSERT INTO %1 (Titulo, %2, Chave) VALUES (?, ?, ?)")
                       .arg(table, table == "Mapas" ? "Mapa" : "Texto"),
                   {title, text, sortKey(title)});
        };
        add("Estudos", "Estudo Novo", Cifrar("Texto novo", kChave));
        add("Estudos", "BAIXADO UM", "43"); // the user has it from an update already
        add("Ilustracoes", "Reflexão Nova", "Um\tDois");
        add("Mapas", "Mapa Novo", "novo.jpg");
        for (const char* part : {"Primeira parte", "Segunda parte"})
            db.run("INSERT INTO Personagens (Nome, Texto) VALUES (?, ?)",
                   {Cifrar("Débora", kChave), Cifrar(part, kChave)});
        db.run("INSERT INTO Discipulos (Item, Nome, Texto) VALUES (13, 'Matias', 'O fim.'), "
               "(14, 'PEDRO', 'Outra vez.')");
        // A verse in a chapter the copy has, and a chapter it has not, whose number the copy
        // gives to another chapter (the newer database numbers its chapters anew).
        db.run("INSERT INTO Versiculos (Id, Vers, Texto) SELECT Id, 99, 'Ali brotou a figueira' "
               "FROM Livros WHERE Livro = 'Rute' AND Capitulo = 2");
        for (const char* table : {"Livros", "Versiculos", "Busca"})
            db.run(QStringLiteral("UPDATE %1 SET Id = 1000 WHERE Id = 1").arg(table));
        db.run("INSERT INTO Livros (Id, Livro, Periodo, Capitulo, Chave) VALUES (1, 'Rute', "
               "'VT', 4, ?)",
               {sortKey("Rute")});
        db.run("INSERT INTO Versiculos (Id, Vers, Texto) VALUES (1, 1, 'Boaz subiu à porta')");
        db.run("INSERT INTO Atualizacoes (Tipo, Num) VALUES ('Reflexoes', 1)");
        db.run("UPDATE Conteudo SET Versao = 'nova'");
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
        QCOMPARE(fx->scalar("SELECT group_concat(Texto) FROM Estudos WHERE Titulo LIKE 'Baixado%'"),
                 QVariant("41,41"));
        QCOMPARE(
            Decifrar(
                fx->scalar("SELECT Texto FROM Estudos WHERE Titulo = 'Estudo Novo'").toString(),
                kChave),
            QString("Texto novo"));
        QCOMPARE(
            fx->scalar("SELECT group_concat(Texto, '|') FROM Personagens WHERE Nome = ?",
                       {Cifrar("Débora", kChave)}),
            QVariant(Cifrar("Primeira parte", kChave) + '|' + Cifrar("Segunda parte", kChave)));
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
