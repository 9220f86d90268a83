#include "Database.h"
#include "ProgramFolder.h"
#include "Schema.h"
#include "Search.h"
#include "Spelling.h"
#include "TestSupport.h"
#include "TextKeys.h"
#include "VerseIndex.h"

#include <QtTest>

using namespace tovelo;
using test::plainSqlite;

namespace {

// The verses found, as "Livro capítulo:versículo".
QStringList found(Db& db, const QString& typed) {
    QStringList refs;
    for (const ChapterHits& c : searchVerses(db, typed))
        for (int v : c.verses)
            refs << QStringLiteral("%1 %2:%3").arg(c.livro).arg(c.capitulo).arg(v);
    return refs;
}

QStringList found(const QString& typed) {
    ContentDb db;
    return found(db, typed);
}

qsizetype count(Db& db, const QString& typed) {
    return verseCount(searchVerses(db, typed));
}

// The passages of a verse marked for a typed text.
QStringList marked(const QString& texto, const QString& typed) {
    QStringList out;
    for (const auto& [from, length] : matchedSpans(texto, typed))
        out << texto.mid(from, length);
    return out;
}

QString folded(const char* text) {
    return foldSpelling(QString::fromUtf8(text));
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void oldSpellingReadsAsToday() {
        // Each pair: what the 1911 text writes = what a reader types today.
        const QString pairs = QString::fromUtf8(
            "Christo=Cristo egreja=igreja Egypto=Egito fructo=fruto baptismo=batismo "
            "propheta=profeta Moysés=Moisés elle=ele ELLAS=elas d'elle=dele n’aquella=naquela "
            "throno=trono amorrheos=amorreus sepulchro=sepulcro paschoa=páscoa sancto=santo "
            "afflicção=aflição prompto=pronto redempção=redenção triumpho=triunfo "
            "excepção=exceção columna=coluna comnosco=conosco emquanto=enquanto "
            "circumcisão=circuncisão peccado=pecado annos=anos commetteu=cometeu "
            "sahiu=saiu Abrahão=Abraão Jehovah=Jeová pae=pai louvae=louvai quaes=quais "
            "judeos=judeus possue=possui veiu=veio oiro=ouro creou=criou sceptro=cetro "
            "sciencia=ciência psalmo=salmo cousa=coisa dous=dois egual=igual edade=idade "
            "similhante=semelhante logares=lugares cincoenta=cinquenta signaes=sinais "
            "hontem=ontem mez=mês pozeram=puseram propoz=propôs resuscitou=ressuscitou "
            "bemaventurados=bem-aventurados Amen=Amém chaldeos=caldeus cherubins=querubins "
            "pateo=pátio tribu=tribo exhortação=exortação archanjo=arcanjo vasio=vazio "
            "defeza=defesa augmentar=aumentar "
            // Names as a modern edition writes them.
            "Moab=Moabe Ruth=Rute Sidon=Sidom Hebron=Hebrom Canaan=Canaã Judah=Judá "
            "Lamech=Lameque Melchisedec=Melquisedeque Habacuc=Habacuque Malachias=Malaquias "
            "Belshazzar=Belsazar Smyrna=Esmirna Goliath=Golias Bath-seba=Bate-Seba "
            "Magdalena=Madalena Zacharias=Zacarias Isaac=Isaque Beth-el=Betel "
            "Gilead=Gileade Achaz=Acaz Josué=Josué Ben-hadad=Ben-Hadade "
            // Elisions and pronouns joined to a verb.
            "d'Israel=de_Israel d'anno=de_ano d'ahi=daí lh'o=lho chamal-o=chamá-lo "
            "far-se-ha=far-se-á");
        for (const QString& pair : pairs.split(QLatin1Char(' '))) {
            const QString old = pair.section('=', 0, 0),
                          now = pair.section('=', 1).replace(QLatin1Char('_'), QLatin1Char(' '));
            QVERIFY2(foldSpelling(QStringLiteral("a ") + old).mid(2) == foldPlain(now),
                     qPrintable(pair));
        }
        // Case and accents, also a letter typed with a separate accent.
        QCOMPARE(foldPlain(QString::fromUtf8("CORAÇÃO")), QString("coracao"));
        QCOMPARE(foldPlain(QStringLiteral("fe\u0301")), QString("fe"));
    }

    void wordsWrittenAlikeStayAsTheyAre() {
        for (const char* same : {"Senhor", "coração", "graça", "pão", "amor", "carro", "passo",
                                 "homem", "sangue", "chama", "hora", "vos", "Ah, Senhor",
                                 "firmeza", "recreador", "sob", "Chegou", "Josué"})
            QCOMPARE(folded(same), foldPlain(QString::fromUtf8(same)));
        // A word and its neighbours are folded apart: an ending is a word's own.
        QCOMPARE(folded("pae e mãe, paes e pães"), QString("pai e mae, pais e paes"));
        QCOMPARE(folded("pão\tvinho\nsal"), QString("pao vinho sal"));
    }

    void realScriptureAnswersEveryReader() {
        Db db(test::realContent(), Db::Mode::ReadOnly);
        bringUpToDate(db);
        // Counted on the 1911 text by hand: a word written alike then and now, text cut
        // anywhere (also before a "z" or an "-ae" that ends a word there), today's spelling of
        // words, names and phrases, and words no rule turns into another ("firmeza" holds no
        // "mês", "d'anno" no "dano", "recreador" no "criador").
        const std::pair<const char*, qsizetype> counted[] = {
            {"amor", 370},         {"Senhor", 6873},       {"coração", 830},
            {"coracao", 830},      {"graça", 298},         {"pão", 319},
            {"Amen. ", 32},        {"vez", 389},           {"diz", 3091},
            {"juiz", 473},         {"raiz", 53},           {"Israe", 2314},
            {"achaz", 90},         {"taes", 268},          {"prop", 849},
            {"loga", 818},         {"homb", 60},           {"tribo", 309},
            {"exortação", 6},      {"arcanjo", 2},         {"filhos de Israel", 607},
            {"casa de Israel", 145}, {"Moabe", 114},       {"Rute", 20},
            {"Sidom", 32},         {"Hebrom", 67},         {"Golias", 6},
            {"Madalena", 12},      {"Esmirna", 2},         {"Cafarnaum", 16},
            {"Melquisedeque", 11}, {"Lameque", 12},        {"Habacuque", 2},
            {"Malaquias", 1},      {"Belsazar", 8},        {"mês", 1660},
            {"dano", 22},          {"criador", 11}};
        for (const auto& [typed, n] : counted)
            QVERIFY2(count(db, QString::fromUtf8(typed)) == n, typed);
        // Today's spelling finds every verse of the old one, which still finds itself.
        const std::tuple<const char*, const char*, qsizetype> pairs[] = {
            {"Cristo", "Christo", 536},  {"igreja", "egreja", 109},
            {"Egito", "Egypto", 545},    {"fruto", "fructo", 203},
            {"batismo", "baptismo", 23}, {"profeta", "propheta", 445},
            {"Moisés", "Moysés", 784},   {"ela", "ella", 3096},
            {"ele", "elle", 7408}}; // and "Beth-lehem", as today's "Belém" holds "ele"
        for (const auto& [today, old, n] : pairs) {
            const QStringList now = found(db, QString::fromUtf8(today));
            QCOMPARE(now.size(), n);
            for (const QString& ref : found(db, QString::fromUtf8(old)))
                QVERIFY2(now.contains(ref), qPrintable(ref));
        }
        // Books in Portuguese order, then chapters, then verses.
        const QList<ChapterHits> hits = searchVerses(db, QStringLiteral("Senhor"));
        for (qsizetype i = 1; i < hits.size(); ++i) {
            const ChapterHits &a = hits[i - 1], &b = hits[i];
            QVERIFY(sortKey(a.livro) < sortKey(b.livro) ||
                    (a.livro == b.livro && a.capitulo < b.capitulo));
            QVERIFY(std::is_sorted(b.verses.begin(), b.verses.end()));
        }
        QCOMPARE(hits.first().livro, QString("1 Coríntios"));
        QCOMPARE(hits.last().livro, QString("Zacarias"));
    }

    void marksThePassageAsTheVerseWritesIt() {
        QCOMPARE(marked("E disse Christo: eu sou", "cristo"), QStringList({"Christo"}));
        QCOMPARE(marked("d'elle e d'ella", "ele"), QStringList({"elle"}));
        QCOMPARE(marked("Jehovah, Jehovah!", "Jeová"), QStringList({"Jehovah", "Jehovah"}));
        QCOMPARE(marked("louvae ao Senhor", "LOUVAI"), QStringList({"louvae"}));
        QCOMPARE(marked("a fe\u0301 e a graça", "fé e"), QStringList({"fe\u0301 e"}));
        QCOMPARE(marked("\U0001F600 sahiu elle", "saiu ele"), QStringList({"sahiu elle"}));
        QCOMPARE(marked("comnosco", "conos"), QStringList({"comnos"}));
        QCOMPARE(marked("no anno os filhos de Israel do Egypto", "filhos de Israel"),
                 QStringList({"filhos de Israel"}));
        QVERIFY(marked("O Senhor", "xyz").isEmpty());
        QVERIFY(marked("O Senhor", "").isEmpty());
    }

    void threeCharactersAsAReaderCountsThem() {
        QVERIFY(!longEnoughToSearch("fé"));
        QVERIFY(!longEnoughToSearch("fe\u0301"));              // e and a separate accent: one
        QVERIFY(!longEnoughToSearch("e\u0301\u0302\u0303a"));  // however many accents
        QVERIFY(!longEnoughToSearch("\U0001F44D\U0001F3FDa")); // an emoji with its skin tone
        QVERIFY(longEnoughToSearch("fe\u0301!"));
        QVERIFY(longEnoughToSearch("\U0001F600ab"));
        QVERIFY(longEnoughToSearch("  a")); // spaces count
        QVERIFY(!longEnoughToSearch(""));
    }

    void searchCopyFollowsEditsMadeWithoutTheProgram() {
        test::ContentFixture fx;
        const QString file = fx.database();
        QCOMPARE(found("pastor"), QStringList({"Salmos 23:1"}));
        // The plain sqlite3 tool has none of the program's functions.
        const QString edits =
            "UPDATE Versiculos SET Texto = 'O guarda é elle.' WHERE Vers = 1 AND Id = "
            "(SELECT Id FROM Livros WHERE Livro = 'Salmos' AND Capitulo = 23);"
            "DELETE FROM Versiculos WHERE Texto LIKE 'Achei%';"
            "INSERT INTO Livros (Id, Livro, Periodo, Capitulo) VALUES (90, 'Êxodo', 'VT', 2);"
            "INSERT INTO Versiculos (Id, Vers, Texto) VALUES (90, 1, 'Vem Christo.');"
            "INSERT INTO Estudos (Titulo, Texto) VALUES ('Ética à mão', '41');"
            "UPDATE Mapas SET Titulo = 'Mapa Ímpar' WHERE rowid = 1;";
        QCOMPARE(plainSqlite(file, edits), QString());
        QCOMPARE(plainSqlite(file, "SELECT count(*) FROM BuscaPendente"), QString("3|"));
        QCOMPARE(plainSqlite(file, "PRAGMA integrity_check"), QString("ok|"));

        QVERIFY(found("pastor").isEmpty());
        QCOMPARE(found("guarda é ele"), QStringList({"Salmos 23:1"}));
        QVERIFY(!found("graça").contains("Rute 2:13"));
        QCOMPARE(found("cristo"), QStringList({"Êxodo 2:1"}));
        QCOMPARE(plainSqlite(file, "SELECT count(*) FROM BuscaPendente"), QString("0|"));
        // Keys of names and titles added or renamed by hand, accents and all.
        QCOMPARE(fx.scalar("SELECT count(*) FROM Livros WHERE Chave = ?", {sortKey("êxodo")}),
                 QVariant(2));
        QCOMPARE(fx.scalar("SELECT Texto FROM Estudos WHERE Chave = ?", {sortKey("ÉTICA À MÃO")}),
                 QVariant("41"));
        QCOMPARE(fx.scalar("SELECT Titulo FROM Mapas WHERE Chave = ?", {sortKey("mapa ímpar")}),
                 QVariant("Mapa Ímpar"));
    }

    void readOnlyFileIsAnsweredAndLeftAlone() {
        test::ContentFixture fx;
        const QString file = fx.database();
        QCOMPARE(plainSqlite(file, "UPDATE Versiculos SET Texto = 'Christo é o pastor.' WHERE "
                                   "Texto LIKE 'O pastor%';"
                                   "INSERT INTO Estudos (Titulo, Texto) VALUES ('Ética', '7')"),
                 QString());
        {
            Db db(file, Db::Mode::ReadOnly);
            bringUpToDate(db);
            QCOMPARE(found(db, "cristo é o pastor"), QStringList({"Salmos 23:1"}));
            QSqlQuery q = db.run("SELECT Texto FROM Estudos WHERE Chave = ?", {sortKey("ética")});
            QVERIFY(q.next());
            QCOMPARE(q.value(0), QVariant("7"));
        }
        QCOMPARE(plainSqlite(file, "SELECT count(*) FROM BuscaPendente;"
                                   "SELECT count(*) FROM Estudos WHERE Chave IS NULL"),
                 QString("1|1|"));
    }

    void fileOfAnotherVersionIsRefoldedWhole() {
        test::ContentFixture fx;
        const QString file = fx.database();
        QCOMPARE(plainSqlite(file, "UPDATE BuscaGrafia SET Versao = 'antiga';"
                                   "UPDATE Busca SET Texto = '1\tnada\n'"),
                 QString());
        QCOMPARE(found("pastor"), QStringList({"Salmos 23:1"}));
        QCOMPARE(plainSqlite(file, "SELECT Versao FROM BuscaGrafia"),
                 QString::fromStdString(searchCopyVersion()) + "|");

        // A file made before changes were marked: its lower()-based trigger goes.
        QCOMPARE(plainSqlite(file,
                             "DROP TABLE BuscaGrafia; DROP TABLE BuscaPendente;"
                             "DROP TRIGGER BuscaVersiculoNovo; DROP TRIGGER BuscaVersiculoMudado;"
                             "DROP TRIGGER BuscaVersiculoApagado;"
                             "CREATE TRIGGER VersiculosBuscaNova AFTER INSERT ON Versiculos BEGIN "
                             "UPDATE Busca SET Texto = Texto || lower(NEW.Texto) WHERE Id = "
                             "NEW.Id; END;"
                             "UPDATE Busca SET Texto = '1\tnada\n'"),
                 QString());
        QCOMPARE(found("pastor"), QStringList({"Salmos 23:1"}));
        QCOMPARE(plainSqlite(file, "SELECT count(*) FROM sqlite_master WHERE name = "
                                   "'VersiculosBuscaNova';"
                                   "INSERT INTO Versiculos (Id, Vers, Texto) VALUES (1, 9, 'elle');"
                                   "SELECT count(*) FROM BuscaPendente"),
                 QString("0|1|"));
        QCOMPARE(found("ele"), QStringList({"Gênesis 1:9"}));
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "test_search.moc"
