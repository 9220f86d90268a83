#include "Schema.h"

#include "TextKeys.h"
#include "VerseIndex.h"

#include <QSqlQuery>
#include <iterator>

namespace tovelo {
namespace {

const QString kBusca = QStringLiteral("(Id INTEGER PRIMARY KEY, Texto TEXT NOT NULL)");
// The index of the search copy (see VerseIndex): one row of words and places, and the verses of
// each block of words.
const QString kBuscaIndice = QStringLiteral("(Palavras BLOB NOT NULL, Lugares BLOB NOT NULL)");
const QString kBuscaVersos = QStringLiteral("(Bloco INTEGER PRIMARY KEY, Versos BLOB NOT NULL)");
// Each chapter's verses as the window shows them (see appendVerseText), for the listings.
const QString kBuscaTexto = QStringLiteral("(Id INTEGER PRIMARY KEY, Versos BLOB NOT NULL)");

// The tables whose rows carry a key (sortKey) of one of their columns.
struct Keyed {
    QString table;
    QString column;
};
const Keyed kKeyed[] = {
    {QStringLiteral("Livros"), QStringLiteral("Livro")},
    {QStringLiteral("Mapas"), QStringLiteral("Titulo")},
    {QStringLiteral("Estudos"), QStringLiteral("Titulo")},
    {QStringLiteral("Ilustracoes"), QStringLiteral("Titulo")},
};

// Changes made without the program (the plain sqlite3 tool, a content upgrade in plain SQL) are
// only marked here: a chapter whose verses change waits in BuscaPendente, a row whose name or
// title changes loses its key. They use built-in functions only, so the file stays a plain
// SQLite database; the program does the rest with its own folding (bringUpToDate).
QStringList triggers() {
    QStringList list{
        "CREATE TRIGGER BuscaVersiculoNovo AFTER INSERT ON Versiculos BEGIN "
        "INSERT OR IGNORE INTO BuscaPendente (Id) VALUES (NEW.Id); END",
        "CREATE TRIGGER BuscaVersiculoMudado AFTER UPDATE ON Versiculos BEGIN "
        "INSERT OR IGNORE INTO BuscaPendente (Id) VALUES (OLD.Id); "
        "INSERT OR IGNORE INTO BuscaPendente (Id) VALUES (NEW.Id); END",
        "CREATE TRIGGER BuscaVersiculoApagado AFTER DELETE ON Versiculos BEGIN "
        "INSERT OR IGNORE INTO BuscaPendente (Id) VALUES (OLD.Id); END",
    };
    for (const Keyed& k : kKeyed)
        list << QStringLiteral("CREATE TRIGGER %1ChaveMudada AFTER UPDATE OF %2 ON %1 BEGIN "
                               "UPDATE %1 SET Chave = NULL WHERE rowid = NEW.rowid; END")
                    .arg(k.table, k.column);
    return list;
}

// Every trigger a content database may carry, of this version or an earlier one.
QStringList triggerNames() {
    QStringList names{"BuscaVersiculoNovo", "BuscaVersiculoMudado", "BuscaVersiculoApagado",
                      "VersiculosBuscaNova"};
    for (const Keyed& k : kKeyed)
        names << k.table + QStringLiteral("ChaveMudada") << k.table + QStringLiteral("ChaveNova");
    return names;
}

QString version() {
    return QString::fromStdString(searchCopyVersion());
}

// What the program must refresh before it reads.
struct Stale {
    bool everything = false;        // made by another version of the copy, or never
    std::vector<qint64> chapters;   // chapters whose verses changed
    std::vector<const Keyed*> keys; // tables with rows that lack a key
    bool any() const { return everything || !chapters.empty() || !keys.empty(); }
    bool busca() const { return everything || !chapters.empty(); }
};

Stale staleIn(Db& db) {
    Stale stale;
    QSqlQuery known = db.run(QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'BuscaGrafia'"));
    const bool versioned = nextRow(known) && known.value(0).toInt() == 1;
    QString check = versioned ? QStringLiteral("SELECT (SELECT Versao FROM BuscaGrafia) IS ?")
                              : QStringLiteral("SELECT 0");
    for (const Keyed& k : kKeyed)
        check += QStringLiteral(", EXISTS (SELECT 1 FROM %1 WHERE Chave IS NULL)").arg(k.table);
    QSqlQuery q = db.run(check, versioned ? QVariantList{version()} : QVariantList{});
    stale.everything = !nextRow(q) || q.value(0).toInt() != 1;
    for (size_t i = 0; i < std::size(kKeyed); ++i)
        if (q.value(int(i) + 1).toInt() == 1) stale.keys.push_back(&kKeyed[i]);
    if (!stale.everything) {
        QSqlQuery pending = db.run(QStringLiteral("SELECT Id FROM BuscaPendente"));
        while (nextRow(pending))
            stale.chapters.push_back(pending.value(0).toLongLong());
    }
    return stale;
}

// A chapter's rows of the search copy and of the text copy, made from its verses in order.
class ChapterCopy {
public:
    void add(int vers, const QString& texto) {
        entries_ += searchEntry(vers, texto);
        if (vers == last_ && !texts_.empty()) return;
        last_ = vers;
        appendVerseText(texts_, vers, texto.toStdString());
    }
    void store(Db& db, const QVariant& id) const {
        if (entries_.isEmpty()) {
            db.run(QStringLiteral("DELETE FROM Busca WHERE Id = ?"), {id});
            db.run(QStringLiteral("DELETE FROM BuscaTexto WHERE Id = ?"), {id});
            return;
        }
        db.run(QStringLiteral("INSERT OR REPLACE INTO Busca (Id, Texto) VALUES (?, ?)"),
               {id, entries_});
        db.run(QStringLiteral("INSERT OR REPLACE INTO BuscaTexto (Id, Versos) VALUES (?, ?)"),
               {id, QByteArray(texts_.data(), qsizetype(texts_.size()))});
    }

private:
    QString entries_;
    std::string texts_;
    int last_ = 0;
};

void refoldEverything(Db& db) {
    db.run(QStringLiteral("DELETE FROM Busca"));
    db.run(QStringLiteral("DELETE FROM BuscaTexto"));
    QSqlQuery q =
        db.run(QStringLiteral("SELECT Id, Vers, Texto FROM Versiculos ORDER BY Id, Vers, rowid"));
    QVariant chapter;
    ChapterCopy copy;
    while (nextRow(q)) {
        const QVariant id = q.value(0);
        if (id != chapter) {
            if (chapter.isValid()) copy.store(db, chapter);
            chapter = id;
            copy = {};
        }
        copy.add(q.value(1).toInt(), q.value(2).toString());
    }
    if (chapter.isValid()) copy.store(db, chapter);
}

void refoldChapter(Db& db, qint64 id) {
    QSqlQuery q = db.run(
        QStringLiteral("SELECT Vers, Texto FROM Versiculos WHERE Id = ? ORDER BY Vers, rowid"),
        {id});
    ChapterCopy copy;
    while (nextRow(q))
        copy.add(q.value(0).toInt(), q.value(1).toString());
    copy.store(db, id);
}

// Gives each row without a key the key of its name or title.
void rekey(Db& db, const Keyed& k) {
    QStringList names;
    {
        QSqlQuery q = db.run(QStringLiteral("SELECT DISTINCT %1 FROM %2 WHERE Chave IS NULL")
                                 .arg(k.column, k.table));
        while (nextRow(q))
            names << q.value(0).toString();
    }
    const QString update = QStringLiteral("UPDATE %1 SET Chave = ? WHERE Chave IS NULL AND %2 IS ?")
                               .arg(k.table, k.column);
    for (const QString& name : names)
        db.run(update, {sortKey(name), name});
}

void reindex(Db& db) {
    std::vector<std::pair<std::int64_t, std::string>> chapters;
    {
        QSqlQuery q = db.run(QStringLiteral("SELECT Id, Texto FROM Busca ORDER BY Id"));
        while (nextRow(q))
            chapters.emplace_back(q.value(0).toLongLong(), q.value(1).toString().toStdString());
    }
    const VerseIndex index = indexVerses(chapters);
    const auto blob = [](const std::string& bytes) {
        return QByteArray(bytes.data(), qsizetype(bytes.size()));
    };
    db.run(QStringLiteral("DELETE FROM BuscaIndice"));
    db.run(QStringLiteral("DELETE FROM BuscaVersos"));
    db.run(QStringLiteral("INSERT INTO BuscaIndice (Palavras, Lugares) VALUES (?, ?)"),
           {blob(index.words), blob(index.places)});
    for (size_t b = 0; b < index.blocks.size(); ++b)
        db.run(QStringLiteral("INSERT INTO BuscaVersos (Bloco, Versos) VALUES (?, ?)"),
               {qint64(b), blob(index.blocks[b])});
}

// Brings the search copy and the keys up to date. Unqualified names reach the temporary copies
// of a file that cannot be written (see shadow) before the file's own tables.
void refresh(Db& db, const Stale& stale) {
    if (stale.everything) refoldEverything(db);
    for (qint64 id : stale.chapters)
        refoldChapter(db, id);
    if (stale.busca()) reindex(db);
    for (const Keyed* k : stale.keys)
        rekey(db, *k);
}

// A file of an earlier version (or a new one) gets this version's tables and triggers.
void prepare(Db& db, const Stale& stale) {
    if (!stale.everything) return;
    for (const QString& name : triggerNames())
        db.run(QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(name));
    db.run(QStringLiteral("CREATE TABLE IF NOT EXISTS Busca ") + kBusca);
    db.run(QStringLiteral("CREATE TABLE IF NOT EXISTS BuscaIndice ") + kBuscaIndice);
    db.run(QStringLiteral("CREATE TABLE IF NOT EXISTS BuscaVersos ") + kBuscaVersos);
    db.run(QStringLiteral("CREATE TABLE IF NOT EXISTS BuscaTexto ") + kBuscaTexto);
    db.run(QStringLiteral("CREATE TABLE IF NOT EXISTS BuscaPendente (Id INTEGER PRIMARY KEY)"));
    db.run(QStringLiteral("CREATE TABLE IF NOT EXISTS BuscaGrafia (Versao TEXT NOT NULL)"));
    for (const QString& t : triggers())
        db.run(t);
}

// Records in the file what is now up to date.
void settle(Db& db, const Stale& stale) {
    if (stale.everything) {
        db.run(QStringLiteral("DELETE FROM BuscaPendente"));
        db.run(QStringLiteral("DELETE FROM BuscaGrafia"));
        db.run(QStringLiteral("INSERT INTO BuscaGrafia (Versao) VALUES (?)"), {version()});
    }
    for (qint64 id : stale.chapters)
        db.run(QStringLiteral("DELETE FROM BuscaPendente WHERE Id = ?"), {id});
}

// A file that cannot be written (read-only, or held by another writer) is left as it is: the
// connection gets temporary copies of the tables to refresh, which hide the file's own.
void shadow(Db& db, const Stale& stale) {
    if (stale.busca()) {
        db.run(QStringLiteral("CREATE TEMP TABLE Busca ") + kBusca);
        if (!stale.everything)
            db.run(QStringLiteral("INSERT INTO temp.Busca SELECT Id, Texto FROM main.Busca"));
        db.run(QStringLiteral("CREATE TEMP TABLE BuscaTexto ") + kBuscaTexto);
        if (!stale.everything)
            db.run(QStringLiteral("INSERT INTO temp.BuscaTexto SELECT Id, Versos FROM "
                                  "main.BuscaTexto"));
        db.run(QStringLiteral("CREATE TEMP TABLE BuscaIndice ") + kBuscaIndice);
        db.run(QStringLiteral("CREATE TEMP TABLE BuscaVersos ") + kBuscaVersos);
    }
    for (const Keyed* k : stale.keys) {
        db.run(QStringLiteral("CREATE TEMP TABLE %1 AS SELECT * FROM main.%1").arg(k->table));
        db.run(QStringLiteral("CREATE INDEX temp.%1Chave ON %1 (Chave)").arg(k->table));
    }
}

} // namespace

// The Chave columns, the table Busca (one row per chapter: each verse's number and folded
// text, see TextKeys.h), its index (BuscaIndice, BuscaVersos) and the chapters' text
// (BuscaTexto) are derived by the program (bringUpToDate).
QStringList schemaStatements() {
    return {
        "CREATE TABLE Livros (Id INTEGER NOT NULL, Livro TEXT NOT NULL, Periodo TEXT NOT NULL, "
        "Capitulo INTEGER NOT NULL, Chave TEXT)",
        "CREATE INDEX LivrosChave ON Livros (Chave, Capitulo)",
        "CREATE INDEX LivrosId ON Livros (Id)",
        "CREATE TABLE Versiculos (Id INTEGER NOT NULL, Vers INTEGER NOT NULL, Texto TEXT)",
        "CREATE INDEX VersiculosId ON Versiculos (Id, Vers)",
        "CREATE TABLE Busca " + kBusca,
        "CREATE TABLE BuscaIndice " + kBuscaIndice,
        "CREATE TABLE BuscaVersos " + kBuscaVersos,
        "CREATE TABLE BuscaTexto " + kBuscaTexto,
        "CREATE TABLE Personagens (Nome TEXT, Texto TEXT)",
        "CREATE TABLE Discipulos (Item INTEGER, Nome TEXT, Texto TEXT)",
        "CREATE TABLE Mapas (Titulo TEXT, Mapa TEXT, Chave TEXT)",
        "CREATE INDEX MapasChave ON Mapas (Chave)",
        "CREATE TABLE Estudos (Titulo TEXT, Texto TEXT, Chave TEXT)",
        "CREATE INDEX EstudosChave ON Estudos (Chave)",
        "CREATE TABLE Ilustracoes (Titulo TEXT, Texto TEXT, Chave TEXT)",
        "CREATE INDEX IlustracoesChave ON Ilustracoes (Chave)",
        "CREATE TABLE Atualizacoes (Tipo TEXT, Num INTEGER)",
        // One row: the version of the shipped content (see Upgrade.h).
        "CREATE TABLE Conteudo (Versao TEXT NOT NULL)",
    };
}

void bringUpToDate(Db& db) {
    const Stale stale = staleIn(db);
    if (!stale.any()) return;
    try {
        Transaction transaction(db);
        prepare(db, stale);
        refresh(db, stale);
        settle(db, stale);
        transaction.commit();
        return;
    } catch (const DbError&) {
    }
    shadow(db, stale);
    refresh(db, stale);
}

} // namespace tovelo
