#include "Upgrade.h"

#include "Database.h"
#include "Schema.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QList>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

namespace tovelo {
namespace {

bool hasTable(Db& db, const QString& schema, const QString& table) {
    QSqlQuery q =
        db.run(QStringLiteral("SELECT count(*) FROM %1.sqlite_master WHERE type = 'table' AND "
                              "name = ?")
                   .arg(schema),
               {table});
    return nextRow(q) && q.value(0).toInt() > 0;
}

QString versionIn(Db& db, const QString& schema) {
    if (!hasTable(db, schema, QStringLiteral("Conteudo"))) return {};
    QSqlQuery q = db.run(QStringLiteral("SELECT Versao FROM %1.Conteudo").arg(schema));
    return nextRow(q) ? q.value(0).toString() : QString();
}

struct Chapter {
    int id;
    QString livro, periodo, chave;
    int capitulo;
};

// Chapters the copy lacks get the shipped number when it is free there, else the next one.
void addChapters(Db& db) {
    QList<Chapter> missing;
    {
        QSqlQuery q = db.run(QStringLiteral(
            "SELECT n.Id, n.Livro, n.Periodo, n.Capitulo, chave(n.Livro) FROM novo.Livros n WHERE "
            "NOT EXISTS (SELECT 1 FROM main.Livros u WHERE u.Chave = chave(n.Livro) AND "
            "u.Capitulo = n.Capitulo) ORDER BY n.Id"));
        while (nextRow(q))
            missing.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toString(),
                            q.value(4).toString(), q.value(3).toInt()});
    }
    for (const Chapter& c : missing) {
        QSqlQuery taken = db.run(QStringLiteral("SELECT 1 FROM main.Livros WHERE Id = ?"), {c.id});
        int id = c.id;
        if (nextRow(taken)) {
            QSqlQuery last = db.run(QStringLiteral("SELECT coalesce(max(Id), 0) FROM main.Livros"));
            nextRow(last);
            id = last.value(0).toInt() + 1;
        }
        db.run(QStringLiteral("INSERT INTO main.Livros (Id, Livro, Periodo, Capitulo, Chave) "
                              "VALUES (?, ?, ?, ?, ?)"),
               {id, c.livro, c.periodo, c.capitulo, c.chave});
    }
}

void addMissing(Db& db) {
    // SQLite reads all the rows to add before it adds the first (they are compared with the
    // table being filled), so every row of a character's several rows arrives, not only the first.
    for (const QString& table :
         {QStringLiteral("Estudos"), QStringLiteral("Ilustracoes"), QStringLiteral("Mapas")}) {
        const QString field =
            table == QLatin1String("Mapas") ? QStringLiteral("Mapa") : QStringLiteral("Texto");
        db.run(QStringLiteral("INSERT INTO main.%1 (Titulo, %2, Chave) SELECT Titulo, %2, "
                              "chave(Titulo) FROM novo.%1 WHERE chave(Titulo) NOT IN (SELECT "
                              "Chave FROM main.%1 WHERE Chave IS NOT NULL) ORDER BY rowid")
                   .arg(table, field));
    }
    db.run(QStringLiteral("INSERT INTO main.Personagens (Nome, Texto) SELECT Nome, Texto FROM "
                          "novo.Personagens WHERE Nome NOT IN (SELECT Nome FROM main.Personagens "
                          "WHERE Nome IS NOT NULL) ORDER BY rowid"));
    db.run(QStringLiteral("INSERT INTO main.Discipulos (Item, Nome, Texto) SELECT Item, Nome, "
                          "Texto FROM novo.Discipulos WHERE Nome COLLATE TOVELO NOT IN (SELECT "
                          "Nome FROM main.Discipulos WHERE Nome IS NOT NULL) ORDER BY rowid"));
    addChapters(db);
    // Plain inserts: the search text of the chapters follows the verses as it does for verses
    // added with the sqlite3 tool.
    db.run(QStringLiteral(
        "INSERT INTO main.Versiculos (Id, Vers, Texto) SELECT u.Id, v.Vers, v.Texto "
        "FROM novo.Versiculos v JOIN novo.Livros n ON n.Id = v.Id "
        "JOIN main.Livros u ON u.Chave = chave(n.Livro) AND u.Capitulo = n.Capitulo "
        "WHERE NOT EXISTS (SELECT 1 FROM main.Versiculos w WHERE w.Id = u.Id AND w.Vers = v.Vers) "
        "ORDER BY u.Id, v.Vers"));
    db.run(QStringLiteral(
        "INSERT INTO main.Atualizacoes (Tipo, Num) SELECT Tipo, Num FROM novo.Atualizacoes n "
        "WHERE NOT EXISTS (SELECT 1 FROM main.Atualizacoes u WHERE u.Tipo = n.Tipo AND "
        "u.Num = n.Num)"));
}

} // namespace

QString contentVersion(Db& db) {
    return versionIn(db, QStringLiteral("main"));
}

QString contentDigest(Db& db) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char* table : {"Livros", "Versiculos", "Personagens", "Discipulos", "Mapas",
                              "Estudos", "Ilustracoes", "Atualizacoes"}) {
        hash.addData(QByteArray(table) + '\x1d');
        QSqlQuery q = db.run(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
        while (nextRow(q)) {
            for (int i = 0; i < q.record().count(); ++i)
                hash.addData(q.value(i).toString().toUtf8() + '\x1f');
            hash.addData(QByteArrayView("\x1e"));
        }
    }
    return QString::fromLatin1(hash.result().toHex());
}

bool addShippedContent(const QString& user, const QString& shipped) {
    QString version;
    {
        Db s(shipped, Db::Mode::ReadOnly);
        version = contentVersion(s);
    }
    Db db(user);
    if (contentVersion(db) == version) return false;
    // Keys are compared on both sides; a row added by hand to either file may carry none, so the
    // copy's are brought up to date and the shipped ones computed again (chave()).
    bringUpToDate(db);

    const QString uri =
        QUrl::fromLocalFile(QFileInfo(shipped).absoluteFilePath()).toString(QUrl::FullyEncoded) +
        QStringLiteral("?mode=ro");
    db.run(QStringLiteral("ATTACH DATABASE ? AS novo"), {uri});
    const auto detach = qScopeGuard([&db] {
        try {
            db.run(QStringLiteral("DETACH DATABASE novo"));
        } catch (const DbError&) {
        }
    });
    Transaction transaction(db, Transaction::Lock::Immediate);
    addMissing(db);
    db.run(QStringLiteral("CREATE TABLE IF NOT EXISTS main.Conteudo (Versao TEXT NOT NULL)"));
    db.run(QStringLiteral("DELETE FROM main.Conteudo"));
    db.run(QStringLiteral("INSERT INTO main.Conteudo (Versao) VALUES (?)"), {version});
    transaction.commit();
    return true;
}

} // namespace tovelo
