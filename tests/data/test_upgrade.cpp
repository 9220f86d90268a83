#include "AppCore.h"
#include "Builder.h"
#include "Cipher.h"
#include "FrmLivros2.h"
#include "ProgramFolder.h"
#include "TestSupport.h"
#include "TextKeys.h"
#include "Upgrade.h"

#include <QtTest>

using namespace tovelo;

namespace {

QVariant scalar(const QString& file, const QString& sql, const QVariantList& values = {}) {
    Db db(file);
    QSqlQuery q = db.run(sql, values);
    return q.next() ? q.value(0) : QVariant();
}

QStringList column(const QString& file, const QString& sql) {
    Db db(file);
    QSqlQuery q = db.run(sql);
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

} // namespace

// A user's copy that got online updates, and a newer shipped database with more content.
class TestUpgrade : public QObject {
    Q_OBJECT
private slots:
    void init() {
        dir.reset(new QTemporaryDir);
        const QString scripture = test::fixture("scripture.tsv");
        const QString authored = test::fixture("authored");
        content::buildDatabase(scripture, authored, user());
        content::buildDatabase(scripture, authored, newer());
        {
            Db db(user());
            for (const char* title : {"Baixado Um", "Baixado Dois"})
                db.run("INSERT INTO Estudos (Titulo, Texto, Chave) VALUES (?, '41', ?)",
                       {title, sortKey(QString(title))});
            db.run("INSERT INTO Mapas (Titulo, Mapa, Chave) VALUES ('Mapa Baixado', 'b.jpg', ?)",
                   {sortKey("Mapa Baixado")});
            db.run("INSERT INTO Atualizacoes (Tipo, Num) VALUES ('Estudos', 1), ('Estudos', 2)");
        }
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
        db.run("INSERT INTO Versiculos (Id, Vers, Texto) VALUES (1, 1, 'Boaz subiu à porta'), "
               "(1, 2, 'E tomou dez homens')");
        db.run("INSERT INTO Atualizacoes (Tipo, Num) VALUES ('Reflexoes', 1)");
        db.run("UPDATE Conteudo SET Versao = 'nova'");
    }
    void cleanup() { setProgramFolder({}); }

    void addsWhatTheCopyLacksAndKeepsItsUpdates() {
        const int studies = scalar(user(), "SELECT count(*) FROM Estudos").toInt();
        const int verses = scalar(user(), "SELECT count(*) FROM Versiculos").toInt();
        const int disciples = scalar(user(), "SELECT count(*) FROM Discipulos").toInt();

        QVERIFY(addShippedContent(user(), newer()));

        QCOMPARE(scalar(user(), "SELECT count(*) FROM Estudos").toInt(), studies + 1);
        QCOMPARE(column(user(), "SELECT Texto FROM Estudos WHERE Titulo LIKE 'Baixado%'"),
                 QStringList({"41", "41"}));
        QCOMPARE(
            Decifrar(
                scalar(user(), "SELECT Texto FROM Estudos WHERE Titulo = 'Estudo Novo'").toString(),
                kChave),
            QString("Texto novo"));
        QCOMPARE(scalar(user(), "SELECT Texto FROM Ilustracoes WHERE Titulo = 'Reflexão Nova'"),
                 QVariant("Um\tDois"));
        QCOMPARE(column(user(), "SELECT Mapa FROM Mapas WHERE Titulo IN ('Mapa Novo', "
                                "'Mapa Baixado') ORDER BY Titulo"),
                 QStringList({"b.jpg", "novo.jpg"}));
        QCOMPARE(column(user(), "SELECT Texto FROM Personagens WHERE Nome = '" +
                                    Cifrar("Débora", kChave) + "' ORDER BY rowid"),
                 QStringList({Cifrar("Primeira parte", kChave), Cifrar("Segunda parte", kChave)}));
        QCOMPARE(scalar(user(), "SELECT count(*) FROM Discipulos").toInt(), disciples + 1);
        QCOMPARE(scalar(user(), "SELECT count(*) FROM Versiculos").toInt(), verses + 3);
        QCOMPARE(column(user(), "SELECT Num FROM Atualizacoes ORDER BY Tipo, Num"),
                 QStringList({"1", "2", "1"}));
        QCOMPARE(scalar(user(), "SELECT Versao FROM Conteudo"), QVariant("nova"));

        // The keyword search finds the new verses, in both the old chapter and the new one, with
        // the program's own folding (accents and case).
        setProgramFolder(dir->path());
        setMessageSink([](const QString& m) { QFAIL(qPrintable(m)); });
        FrmLivros2 search;
        search.Text2->setText("figueira");
        search.Command2->click();
        QCOMPARE(search.hits(), QStringList({"Rute - 2:99"}));
        search.Text2->setText("SUBIU A PORTA");
        search.Command2->click();
        QCOMPARE(search.hits(), QStringList({"Rute - 4:1"}));
        setMessageSink(nullptr);
    }

    void runsOncePerShippedVersion() {
        QVERIFY(addShippedContent(user(), newer()));
        Db(user()).run("DELETE FROM Estudos WHERE Titulo = 'Estudo Novo'");
        QVERIFY(!addShippedContent(user(), newer()));
        QCOMPARE(scalar(user(), "SELECT count(*) FROM Estudos WHERE Titulo = 'Estudo Novo'"),
                 QVariant(0));
    }

    void aFailureLeavesTheCopyAsItWas() {
        Db(user()).run("CREATE TRIGGER Recusa BEFORE INSERT ON Versiculos BEGIN "
                       "SELECT RAISE(ABORT, 'disco cheio'); END");
        const QStringList before = column(user(), "SELECT Titulo FROM Estudos");
        QVERIFY_THROWS_EXCEPTION(DbError, addShippedContent(user(), newer()));
        QCOMPARE(column(user(), "SELECT Titulo FROM Estudos"), before);
        QVERIFY(scalar(user(), "SELECT Versao FROM Conteudo") != QVariant("nova")); // tried again
    }

private:
    QString user() const { return dir->filePath("Tovelo.mdb"); }
    QString newer() const { return dir->filePath("novo.mdb"); }

    std::unique_ptr<QTemporaryDir> dir;
};

QTEST_MAIN(TestUpgrade)
#include "test_upgrade.moc"
