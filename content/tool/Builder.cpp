#include "Builder.h"

#include "Authored.h"
#include "Cipher.h"
#include "Database.h"
#include "Schema.h"
#include "TextKeys.h"
#include "Upgrade.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>
#include <stdexcept>

namespace tovelo::content {
namespace {

[[noreturn]] void fail(const QString& why) {
    throw std::runtime_error(why.toStdString());
}

void loadScripture(Db& db, const QString& path, BuildCounts& counts) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(QStringLiteral("the scripture file was not found: %1").arg(path));
    QSet<QString> books;
    int id = 0;
    QString lastBook;
    int lastChapter = -1;
    int lineNo = 0;
    while (!file.atEnd()) {
        // Only the line break goes: each verse keeps its text exactly as the file holds it.
        QString line = QString::fromUtf8(file.readLine());
        if (line.endsWith(QLatin1Char('\n'))) line.chop(1);
        ++lineNo;
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        bool okC = false, okV = false;
        const int capitulo = f.value(3).toInt(&okC);
        const int vers = f.value(4).toInt(&okV);
        if (f.size() != 6 || !okC || !okV)
            fail(QStringLiteral("%1:%2: expected ordem, periodo, livro, capitulo, versiculo, texto")
                     .arg(path)
                     .arg(lineNo));
        const QString& periodo = f[1];
        const QString& livro = f[2];
        const QString& texto = f[5];
        if (livro != lastBook || capitulo != lastChapter) {
            ++id;
            db.run(QStringLiteral("INSERT INTO Livros (Id, Livro, Periodo, Capitulo, Chave) "
                                  "VALUES (?, ?, ?, ?, ?)"),
                   {id, livro, periodo, capitulo, sortKey(livro)});
            books.insert(livro);
            lastBook = livro;
            lastChapter = capitulo;
            ++counts.chapters;
        }
        db.run(QStringLiteral("INSERT INTO Versiculos (Id, Vers, Texto) VALUES (?, ?, ?)"),
               {id, vers, texto});
        ++counts.verses;
    }
    counts.books = int(books.size());
}

QList<Entry> entriesIn(const QString& authored, const QString& folder) {
    const QString path = QDir(authored).filePath(folder);
    return QFileInfo(path).isDir() ? readEntries(path) : QList<Entry>{};
}

void loadAuthored(Db& db, const QString& authored, BuildCounts& counts) {
    for (const Entry& e : entriesIn(authored, QStringLiteral("personagens"))) {
        // "##" is a line break in a character's text: paragraphs are separated by an empty line.
        for (const QStringList& part : e.parts)
            db.run(QStringLiteral("INSERT INTO Personagens (Nome, Texto) VALUES (?, ?)"),
                   {Cifrar(e.title, kChave), Cifrar(part.join(QStringLiteral("####")), kChave)});
        ++counts.characters;
    }
    for (const Entry& e : entriesIn(authored, QStringLiteral("discipulos"))) {
        bool ok = false;
        const int item = e.fileName.section(QLatin1Char('-'), 0, 0).toInt(&ok);
        if (!ok)
            fail(QStringLiteral("%1: the file name must start with its list position")
                     .arg(e.fileName));
        QStringList paragraphs;
        for (const QStringList& part : e.parts)
            paragraphs << part;
        db.run(QStringLiteral("INSERT INTO Discipulos (Item, Nome, Texto) VALUES (?, ?, ?)"),
               {item, e.title, paragraphs.join(QStringLiteral("\r\n\r\n"))});
        ++counts.disciples;
    }
    auto articles = [&](const QString& folder, const QString& table, bool enciphered) {
        int n = 0;
        for (const Entry& e : entriesIn(authored, folder)) {
            QStringList paragraphs;
            for (const QStringList& part : e.parts)
                paragraphs << part;
            const QString text = paragraphs.join(QLatin1Char('\t'));
            db.run(
                QStringLiteral("INSERT INTO %1 (Titulo, Texto, Chave) VALUES (?, ?, ?)").arg(table),
                {e.title, enciphered ? Cifrar(text, kChave) : text, sortKey(e.title)});
            ++n;
        }
        return n;
    };
    counts.studies = articles(QStringLiteral("estudos"), QStringLiteral("Estudos"), true);
    counts.reflections =
        articles(QStringLiteral("reflexoes"), QStringLiteral("Ilustracoes"), false);

    QFile maps(QDir(authored).filePath(QStringLiteral("mapas/mapas.tsv")));
    if (maps.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!maps.atEnd()) {
            const QString line = QString::fromUtf8(maps.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() != 2)
                fail(QStringLiteral("mapas.tsv: expected title<TAB>file: %1").arg(line));
            db.run(QStringLiteral("INSERT INTO Mapas (Titulo, Mapa, Chave) VALUES (?, ?, ?)"),
                   {f[0], f[1], sortKey(f[0])});
            ++counts.maps;
        }
    }
}

} // namespace

BuildCounts buildDatabase(const QString& scripture, const QString& authored, const QString& out) {
    const QString partial = out + QStringLiteral(".partial");
    QFile::remove(partial);
    BuildCounts counts;
    {
        Db db(partial, Db::Mode::Create);
        // Large pages: the keyword search reads every chapter's row, and fewer, larger reads
        // make that scan faster.
        db.run(QStringLiteral("PRAGMA page_size = 65536"));
        for (const QString& statement : schemaStatements())
            db.run(statement);
        Transaction transaction(db);
        loadScripture(db, scripture, counts);
        loadAuthored(db, authored, counts);
        db.run(QStringLiteral("INSERT INTO Conteudo (Versao) VALUES (?)"), {contentDigest(db)});
        transaction.commit();
        bringUpToDate(db); // the search copy, the keys and the triggers
    }
    QFile::remove(out);
    if (!QFile::rename(partial, out)) fail(QStringLiteral("cannot write %1").arg(out));
    return counts;
}

} // namespace tovelo::content
