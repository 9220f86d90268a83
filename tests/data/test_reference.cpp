#include "BibleReference.h"
#include "Database.h"
#include "TestSupport.h"

#include <QtTest>

using namespace tovelo;

// References over the whole Bible as the build made it.
class TestReference : public QObject {
    Q_OBJECT
    BibleIndex bible;

    QString read(const QString& typed) {
        const ParsedReference p = parseReference(typed, bible);
        return p.error.isEmpty() ? formatReference(p.ranges, bible)
                                 : QStringLiteral("! ") + p.error;
    }

private slots:
    void initTestCase() {
        Db db(test::realContent(), Db::Mode::ReadOnly);
        bible = readBibleIndex(db);
        QCOMPARE(bible.size(), 66);
    }

    // Each reference as typed, and how the project writes it back.
    void readersReferences_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        const QList<std::pair<const char*, const char*>> rows = {
            {"Sl 23", "Salmos 23"},
            {"SL23", "Salmos 23"},
            {"Salmo 23", "Salmos 23"},
            {"Psalmos 23", "Salmos 23"},
            {"(Sl 23)", "Salmos 23"},
            {"Sl 23.1", "Salmos 23.1"},
            {"Sl 23:1", "Salmos 23.1"},
            {"Sl 23,1", "Salmos 23.1"},
            {"Sl 23.1-6", "Salmos 23"},
            {"Jo 3:16-18", "João 3.16-18"},
            {"Jo 3,16-18", "João 3.16-18"},
            {"joao 3.16–18", "João 3.16-18"},
            {"JOÃO 3 : 16 - 18", "João 3.16-18"},
            {"S. João 3.16", "João 3.16"},
            {"Jó 1", "Jó 1"},
            {"JÓ 1.1", "Jó 1.1"},
            {"Job 42.5", "Jó 42.5"},
            {"Rm 8", "Romanos 8"},
            {"Rm 8.1-39", "Romanos 8"},
            {"1 Coríntios 13", "1 Coríntios 13"},
            {"1Co 13.4-7", "1 Coríntios 13.4-7"},
            {"1co13", "1 Coríntios 13"},
            {"I Coríntios 13.4", "1 Coríntios 13.4"},
            {"1ª Coríntios 13.4", "1 Coríntios 13.4"},
            {"Primeira Coríntios 13", "1 Coríntios 13"},
            {"1 Corinthios 13", "1 Coríntios 13"},
            {"II Reis 2.11", "2 Reis 2.11"},
            {"1º Reis 3", "1 Reis 3"},
            {"3Jo 1", "3 João 1"},
            {"3Jo 4", "3 João 1.4"},
            {"Jd 3-4", "Judas 1.3-4"},
            {"Gn 1.31-2.3", "Gênesis 1.31-2.3"},
            {"Gn 1.1-2.25", "Gênesis 1-2"},
            {"Ap 21-22", "Apocalipse 21-22"},
            {"Mt 5.3; Lc 6.20", "Mateus 5.3; Lucas 6.20"},
            {"Mt 5.3; 6.9", "Mateus 5.3; Mateus 6.9"},
            {"Gn 12.1, 4-5", "Gênesis 12.1, 4-5"},
            {"Ml 4.6; Mt 1.1", "Malaquias 4.6; Mateus 1.1"},
            {"Ex 20.1-17", "Êxodo 20.1-17"},
            {"Exodo 20", "Êxodo 20"},
            {"Genesis 1", "Gênesis 1"},
            {"Gene 1", "Gênesis 1"},
            {"Lamentações 3.22-23", "Lamentações de Jeremias 3.22-23"},
            {"Cantares 2", "Cânticos 2"},
            {"Cântico dos Cânticos 2.1", "Cânticos 2.1"},
            {"Apocalypse 1", "Apocalipse 1"},
            {"Actos 2", "Atos 2"},
            {"Matheus 5", "Mateus 5"},
            {"Ephesios 2.8", "Efésios 2.8"},
            {"Philippenses 4.13", "Filipenses 4.13"},
            {"1 S. Pedro 5.7", "1 Pedro 5.7"},
            {"Oseias 6", "Oséias 6"},
            {"Miqueias 6.8", "Miquéias 6.8"},
            {"Habacuc 2.4", "Habacuque 2.4"},
            {"Filemon 1", "Filemom 1"},
            {"Jo 3.16.", "João 3.16"},
        };
        for (const auto& [typed, written] : rows)
            QTest::newRow(typed) << QString::fromUtf8(typed) << QString::fromUtf8(written);
    }
    void readersReferences() {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QCOMPARE(read(typed), written);
        QCOMPARE(read(written), written); // what is written reads back the same
    }

    // What was not understood or does not exist, said in Portuguese; nothing is read.
    void faultyReferences_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("said");
        const QList<std::pair<QString, const char*>> rows = {
            {"", "Digite uma referência"},
            {"Jo 99", "João tem 21 capítulos: o capítulo 99 não existe."},
            {"Jo 0", "o capítulo 0 não existe"},
            {"Sl 151", "Salmos tem 150 capítulos: o capítulo 151 não existe."},
            {"Sl 23:200", "Salmos 23 tem 6 versículos: o versículo 200 não existe."},
            {"Jo 3.0", "o versículo 0 não existe"},
            {"Jd 26", "Judas 1 tem 25 versículos: o versículo 26 não existe."},
            {"Gn 1.31-2.30", "Gênesis 2 tem 25 versículos"},
            {"Xyz 1", "O livro “Xyz” não foi reconhecido. Os nomes mais parecidos: "},
            {"Genisis 1", "Os nomes mais parecidos: Gênesis, "},
            {"Ma 1", "Os nomes mais parecidos: Malaquias, Mateus, Marcos."},
            {"Fi 2", "Os nomes mais parecidos: Filipenses, Filemom"},
            {"Sl 23; Xyz 1", "O livro “Xyz” não foi reconhecido"},
            {"Jo 3:18-16", "A referência “Jo 3:18-16” termina antes de começar"},
            {"Jo 3.16-2.1", "termina antes de começar"},
            {"Ap 22-21", "termina antes de começar"},
            {QString(10000, QLatin1Char('a')), "A referência é longa demais"},
            {"Jo", "Falta o capítulo em “Jo”"},
            {"23", "Falta o livro em “23”"},
            {"100%", "Falta o livro"},
            {"%", "Não entendi a referência “%”"},
            {"Sl \"23\"", "Não entendi"},
            {"'; DROP TABLE Livros; --", "Não entendi"},
            {"Jo 3.16-", "Não entendi"},
            {"Jo 3 16", "Não entendi"},
            {"Jo 3:16a", "Não entendi"},
            {"Jo 12345678901", "Não entendi"},
            {"Sl 23;; Jo 3", "Não entendi"},
        };
        for (const auto& [typed, said] : rows)
            QTest::newRow(qPrintable(typed.left(30))) << typed << QString::fromUtf8(said);
    }
    void faultyReferences() {
        QFETCH(QString, typed);
        QFETCH(QString, said);
        const ParsedReference p = parseReference(typed, bible);
        QVERIFY2(p.error.contains(said), qPrintable(p.error));
        QVERIFY(p.ranges.isEmpty());
    }

    // Chapter by chapter across books; the verses a reader selects, joined into references.
    void neighboursAndSelections() {
        const auto place = [&](const char* name, int chapter) {
            return ChapterPlace{findBook(QString::fromUtf8(name), bible), chapter};
        };
        QCOMPARE(nextChapter(bible, place("Ml", 4)), place("Mt", 1));
        QCOMPARE(previousChapter(bible, place("Mt", 1)), place("Ml", 4));
        QCOMPARE(nextChapter(bible, place("Sl", 23)), place("Sl", 24));
        QVERIFY(!nextChapter(bible, place("Ap", 22)));
        QVERIFY(!previousChapter(bible, place("Gn", 1)));

        const int gn = findBook("Gn", bible), sl = findBook("Sl", bible);
        const auto written = [&](const QList<VerseId>& verses) {
            return formatReference(rangesOf(verses, bible), bible);
        };
        QCOMPARE(written({{gn, 1, 31}, {gn, 2, 1}, {gn, 2, 2}, {gn, 2, 3}}), "Gênesis 1.31-2.3");
        QCOMPARE(written({{gn, 12, 1}, {gn, 12, 4}, {gn, 12, 5}}), "Gênesis 12.1, 4-5");
        QCOMPARE(written({{sl, 23, 1}}), "Salmos 23.1");
        QCOMPARE(written({{sl, 23, 6}, {sl, 24, 1}}), "Salmos 23.6-24.1");
        QCOMPARE(written({{sl, 117, 1}, {sl, 117, 2}}), "Salmos 117");

        QCOMPARE(booksStartingWith("jo", bible),
                 QStringList({"Josué", "Jó", "Joel", "Jonas", "João"}));
        QCOMPARE(booksStartingWith("1 c", bible), QStringList({"1 Crônicas", "1 Coríntios"}));
    }
};

QTEST_MAIN(TestReference)
#include "test_reference.moc"
