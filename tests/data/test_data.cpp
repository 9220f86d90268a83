#include "Database.h"
#include "TestSupport.h"
#include "TextKeys.h"
#include "VerseIndex.h"

#include <QSqlQuery>
#include <QtTest>
#include <functional>
#include <random>
#include <sqlite3.h>

using namespace tovelo;

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

} // namespace

class TestData : public QObject {
    Q_OBJECT
private slots:
    void portugueseOrderAndCase() {
        QStringList names{"Ezequiel", "Êxodo", "Ester", "Zacarias", "Abdias", "Atos", "Ágar"};
        std::sort(names.begin(), names.end(),
                  [](const QString& a, const QString& b) { return sortKey(a) < sortKey(b); });
        QCOMPARE(names,
                 QStringList({"Abdias", "Ágar", "Atos", "Ester", "Êxodo", "Ezequiel", "Zacarias"}));
        QVERIFY(sortKey("Fe") != sortKey("Fé")); // accents still tell titles apart
        test::ContentFixture fx;
        QCOMPARE(fx.scalar("SELECT 'ÉDEN' = ? COLLATE TOVELO", {"éden"}), QVariant(1));
        QCOMPARE(fx.scalar("SELECT 'Éden' = ? COLLATE TOVELO", {"Eden"}), QVariant(0));
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

    // A chapter's text copy gives the verses asked for, and says so when one is missing: also
    // cut anywhere, without a read past its end (each cut lies in a buffer of its own length).
    void chapterTextCopyGivesTheVersesAskedFor() {
        std::string chapter;
        appendVerseText(chapter, 1, "No princípio");
        appendVerseText(chapter, 2, "");
        appendVerseText(chapter, 300, std::string(200, 'x'));
        QStringList read;
        const auto each = [&read](int vers, std::string_view text) {
            read << QStringLiteral("%1:%2").arg(vers).arg(text.size());
        };
        QVERIFY(eachVerseText(chapter, {1, 2, 300}, each));
        QCOMPARE(read, QStringList({"1:13", "2:0", "300:200"}));
        QVERIFY(!eachVerseText(chapter, {1, 4}, each));
        for (size_t cut = 0; cut < chapter.size(); ++cut) {
            const std::vector<char> bytes(chapter.begin(), chapter.begin() + std::ptrdiff_t(cut));
            QVERIFY(!eachVerseText({bytes.data(), bytes.size()}, {300}, each));
        }
    }

    // Each failure says in plain words what happened; the engine's text comes after it only as
    // a detail. A missing file is never created.
    void failuresSayWhatHappened() {
        test::ContentFixture fx;
        const QString missing = fx.dir.filePath("nada/Tovelo.mdb");
        QCOMPARE(
            failureOf([&] { Db{missing}; }),
            QString("O arquivo Tovelo.mdb não foi encontrado na pasta %1/nada.").arg(fx.folder()));
        QVERIFY(!QFile::exists(missing));

        QFile junk(fx.dir.filePath("lixo.mdb"));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(2048, '\x7f')));
        junk.close();
        QCOMPARE(failureOf([&] { Db{junk.fileName()}; }),
                 QString("O arquivo lixo.mdb está danificado.\n\nDetalhe: file is not a "
                         "database"));

        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(fx.database().toUtf8().constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const QString locked = failureOf([&] { Db{fx.database()}; });
        sqlite3_close(other);
        QCOMPARE(locked.section('\n', 0, 0),
                 QString("O arquivo Tovelo.mdb está bloqueado por outro programa."));

        // A damaged page: the rows before it read fine, then the read fails where it lies
        // instead of ending as if the rows were all.
        fx.fill("Mapas", "Titulo, Mapa", "'Extra ' || i, filler");
        test::damageLastPage(fx.database(), "Mapas");
        int read = 0;
        const QString damaged = failureOf([&] {
            Db db(fx.database());
            QSqlQuery q = db.run("SELECT Titulo FROM Mapas");
            while (nextRow(q))
                ++read;
        });
        QVERIFY2(read > 10, qPrintable(QString::number(read)));
        QCOMPARE(damaged, QString("O arquivo Tovelo.mdb está danificado.\n\nDetalhe: database "
                                  "disk image is malformed"));
    }
};

QTEST_GUILESS_MAIN(TestData)
#include "test_data.moc"
