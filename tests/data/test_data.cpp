#include "Database.h"
#include "TestSupport.h"
#include "TextKeys.h"

#include <QSqlQuery>
#include <QtTest>
#include <functional>
#include <random>
#include <sqlite3.h>

using namespace tovelo;

using test::plainSqlite;

namespace {

// The message of the failure the action throws, or "" when it throws none.
QString failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DbError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

QStringList ordered(QStringList names) {
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return sortKey(a) < sortKey(b); });
    return names;
}

} // namespace

class TestData : public QObject {
    Q_OBJECT
private slots:
    void portugueseOrderAndCase() {
        QCOMPARE(ordered({"Ezequiel", "Êxodo", "Ester", "Zacarias", "Abdias", "Atos", "Ágar"}),
                 QStringList({"Abdias", "Ágar", "Atos", "Ester", "Êxodo", "Ezequiel", "Zacarias"}));
        QCOMPARE(sortKey("ÊXODO E FÉ"), sortKey("êxodo e fé"));
        QVERIFY(sortKey("Fe") != sortKey("Fé")); // accents still tell titles apart
        QCOMPARE(foldText("Coração ESPÍRITO"), QString("coracao espirito"));
        const std::string chapter =
            (searchEntry(1, "Pão e VINHO") + searchEntry(12, "o vinho novo 12") +
             searchEntry(3, "água") + searchEntry(4, "vinho"))
                .toStdString();
        using V = std::vector<int>;
        QCOMPARE(versesContaining(chapter, "vinho"), V({1, 12, 4}));
        QCOMPARE(versesContaining(chapter, "12"), V({12})); // in the text, not the number
        QCOMPARE(versesContaining(chapter, "novo 12\n3"), V());
        QCOMPARE(versesContaining(chapter, "agua"), V({3}));
        QCOMPARE(versesContaining(chapter, ""), V());
    }

    // The search scans 16 places at a time where it can and byte by byte near the end: a word
    // is found wherever it lies against those blocks, and a near miss (first and last bytes
    // alike, a middle one not) is none. Each text lies in a buffer of its own length, so a read
    // past its end fails the sanitizer build.
    void scanFindsWhatAPlainSearchFinds() {
        std::mt19937 random(9);
        const char letters[] = {'a', 'b', '\xc3'};
        auto filled = [&](size_t n) {
            std::string s(n, 'a');
            for (char& c : s)
                c = letters[random() % 3];
            return s;
        };
        auto found = [](const std::string& text, const std::string& word, size_t from) {
            const std::vector<char> bytes(text.begin(), text.end());
            const std::vector<char> wanted(word.begin(), word.end());
            return findBytes({bytes.data(), bytes.size()}, {wanted.data(), wanted.size()}, from);
        };
        for (size_t n = 1; n <= 24; ++n) {
            const std::string word = filled(n);
            std::string nearMiss = word;
            if (n > 2) nearMiss[n / 2] = '#';
            for (size_t length = 0; length <= 80; ++length) {
                const std::string filler = filled(length);
                for (size_t at = 0; at + n <= length; ++at)
                    for (const std::string& planted : {word, nearMiss}) {
                        std::string text = filler;
                        text.replace(at, n, planted);
                        for (size_t from : {size_t(0), at, at + 1, length, length + 1})
                            QCOMPARE(found(text, word, from),
                                     std::string_view(text).find(word, from));
                    }
                QCOMPARE(found(filler, word, 0), std::string_view(filler).find(word));
            }
        }
    }

    void collationIgnoresCaseOfAccentedLetters() {
        test::ContentFixture fx;
        QCOMPARE(fx.scalar("SELECT 'ÉDEN' = ? COLLATE TOVELO", {"éden"}).toInt(), 1);
        QCOMPARE(fx.scalar("SELECT 'Éden' = ? COLLATE TOVELO", {"Eden"}).toInt(), 0);
        QCOMPARE(
            fx.scalar("SELECT count(*) FROM Discipulos WHERE Nome = ? COLLATE TOVELO", {"ANDRÉ"})
                .toInt(),
            1);
    }

    // Each failure says in plain words what happened; the engine's text comes after it only as
    // a detail. A missing file is never created.
    void failuresSayWhatHappened() {
        QTemporaryDir dir;
        const QString file = dir.filePath("Tovelo.mdb");
        QCOMPARE(failureOf([&] { Db{file}; }),
                 QString("O arquivo Tovelo.mdb não foi encontrado na pasta %1.").arg(dir.path()));
        QVERIFY(!QFile::exists(file));

        QFile junk(file);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(2048, '\x7f'));
        junk.close();
        QCOMPARE(failureOf([&] { Db{file}; }),
                 QString("O arquivo Tovelo.mdb está danificado.\n\nDetalhe: file is not a "
                         "database"));

        test::ContentFixture fx;
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(fx.database().toUtf8().constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const QString locked = failureOf([&] { Db{fx.database()}; });
        sqlite3_close(other);
        QCOMPARE(locked.section('\n', 0, 0),
                 QString("O arquivo Tovelo.mdb está bloqueado por outro programa."));
    }

    // The first rows of a damaged table read fine; the read fails where the damage lies,
    // instead of ending there as if the rows were all.
    void aDamagedPageFailsTheReadWhereItLies() {
        test::ContentFixture fx;
        fx.fill("Mapas", "Titulo, Mapa", "'Extra ' || i, filler");
        test::damageLastPage(fx.database(), "Mapas");
        int read = 0;
        const QString error = failureOf([&] {
            Db db(fx.database());
            QSqlQuery q = db.run("SELECT Titulo FROM Mapas");
            while (nextRow(q))
                ++read;
        });
        QVERIFY2(read > 10, qPrintable(QString::number(read)));
        QCOMPARE(error, QString("O arquivo Tovelo.mdb está danificado.\n\nDetalhe: database "
                                "disk image is malformed"));
        Db db(fx.database());
        QVERIFY_THROWS_EXCEPTION(DbError, db.run("SELECT * FROM NaoExiste"));
    }

    void builtDatabaseIsPlainSqlite() {
        test::ContentFixture fx;
        const QString db = fx.database();
        QCOMPARE(plainSqlite(db, "PRAGMA integrity_check"), QString("ok|"));
        QCOMPARE(plainSqlite(db, "SELECT count(*) FROM Livros; SELECT count(*) FROM Versiculos"),
                 QString("11|23|"));
        for (const char* insert :
             {"INSERT INTO Livros (Id, Livro, Periodo, Capitulo) VALUES (99, 'Judas', 'NT', 1)",
              "INSERT INTO Versiculos (Id, Vers, Texto) VALUES (99, 1, 'Novo Verso')",
              "INSERT INTO Personagens (Nome, Texto) VALUES ('41', '42')",
              "INSERT INTO Discipulos (Item, Nome, Texto) VALUES (9, 'Z', 'z')",
              "INSERT INTO Mapas (Titulo, Mapa) VALUES ('Novo Mapa', 'x.jpg')",
              "INSERT INTO Estudos (Titulo, Texto) VALUES ('Novo Estudo', '41')",
              "INSERT INTO Ilustracoes (Titulo, Texto) VALUES ('Nova', 'n')",
              "INSERT INTO Atualizacoes (Tipo, Num) VALUES ('Estudos', 1)"})
            QCOMPARE(plainSqlite(db, insert), QString());
        QCOMPARE(plainSqlite(db, "PRAGMA integrity_check"), QString("ok|"));
    }
};

QTEST_GUILESS_MAIN(TestData)
#include "test_data.moc"
