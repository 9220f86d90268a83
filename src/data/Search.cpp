#include "Search.h"

#include "Spelling.h"
#include "VerseIndex.h"

#include <QSqlQuery>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <charconv>
#include <string>
#include <tuple>

namespace tovelo {

bool longEnoughToSearch(const QString& typed) {
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, typed);
    int count = 0;
    while (count < 3 && characters.toNextBoundary() > 0)
        ++count;
    return count >= 3;
}

namespace {

// Through the statement function versiculos(), which scans each chapter's copy: for a word the
// index cannot look up (only spaces).
QList<ChapterHits> scanVerses(Db& db, const QString& word) {
    // The word is taken literally ('%' and '_' are ordinary characters). Only the chapters with
    // hits come back as rows. "LIMIT -1" keeps the inner query whole, so each chapter is
    // scanned once (merged into the outer query, the call would be made again for the result).
    QSqlQuery q = db.run(QStringLiteral("SELECT Livros.Id, Livros.Livro, Livros.Capitulo, "
                                        "Achados.Vers FROM "
                                        "(SELECT Id, versiculos(Texto, ?) AS Vers FROM Busca "
                                        "LIMIT -1) AS Achados "
                                        "CROSS JOIN Livros ON Livros.Id = Achados.Id "
                                        "WHERE Achados.Vers IS NOT NULL "
                                        "Order By Livros.Chave, Livros.Capitulo, Livros.rowid"),
                         {word});
    QList<ChapterHits> hits;
    while (nextRow(q)) {
        const QString verses = q.value(3).toString();
        ChapterHits chapter{
            q.value(1).toString(), q.value(2).toInt(), q.value(0).toLongLong(), {}, {}};
        // As versiculos() writes them: digits, a comma between two numbers.
        int vers = 0;
        for (QChar c : verses) {
            if (c == QLatin1Char(',')) {
                chapter.verses.push_back(vers);
                vers = 0;
            } else {
                vers = vers * 10 + (c.unicode() - u'0');
            }
        }
        chapter.verses.push_back(vers);
        hits.append(std::move(chapter));
    }
    return hits;
}

} // namespace

QList<ChapterHits> searchVerses(Db& db, const QString& typed) {
    // The folded word is looked up in the index of the search copy, in both spellings.
    const std::string word = foldPlain(typed).toStdString();
    // The index is read in place from the mapped file rather than copied page by page.
    db.run(QStringLiteral("PRAGMA mmap_size = 268435456"));
    std::optional<Found> found;
    RawQuery copy(db, QStringLiteral("SELECT Texto FROM Busca WHERE Id = ?"));
    const auto chapter = [&copy](std::int64_t id) {
        std::string text;
        copy.first(id, [&text](const std::vector<std::string_view>& c) { text = c[0]; });
        return text;
    };
    RawQuery block(db, QStringLiteral("SELECT Versos FROM BuscaVersos WHERE Bloco = ?"));
    const bool indexed =
        RawQuery(db, QStringLiteral("SELECT Palavras, Lugares FROM BuscaIndice LIMIT 1"))
            .first([&](const std::vector<std::string_view>& c) {
                const auto read = [&block](size_t n) {
                    std::string bytes;
                    block.first(qint64(n),
                                [&bytes](const std::vector<std::string_view>& b) { bytes = b[0]; });
                    return bytes;
                };
                found = findVerses({c[0], c[1], read}, word, chapter);
            });
    if (!indexed || !found) return scanVerses(db, QString::fromStdString(word));
    QList<ChapterHits> hits;
    if (found->empty()) return hits;
    // The chapters found, put in the window's order here. A few are looked up one by one; for
    // many, the whole book list read as it lies costs less.
    struct Place {
        std::string key;
        qint64 capitulo;
        qint64 rowid;
        ChapterHits hits;
    };
    std::vector<Place> places;
    const auto number = [](std::string_view digits) {
        qint64 n = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), n);
        return n;
    };
    const auto take = [&](const std::vector<std::string_view>& c) {
        const qint64 id = number(c[0]);
        const auto it = std::lower_bound(found->begin(), found->end(), id,
                                         [](const auto& f, qint64 v) { return f.first < v; });
        if (it == found->end() || it->first != id || it->second.empty()) return;
        places.push_back({std::string(c[3]),
                          number(c[1]),
                          number(c[2]),
                          {QString::fromUtf8(c[4].data(), qsizetype(c[4].size())),
                           int(number(c[1])),
                           id,
                           std::move(it->second),
                           {}}});
    };
    const QString columns = QStringLiteral("SELECT Id, Capitulo, rowid, Chave, Livro FROM Livros");
    if (found->size() < 100) {
        RawQuery chapterRows(db, columns + QStringLiteral(" WHERE Id = ?"));
        for (const auto& entry : *found)
            chapterRows.each(entry.first, take);
    } else {
        RawQuery(db, columns).each(take);
    }
    // As the database orders "Chave, Capitulo, rowid": the key's bytes, then the numbers.
    std::sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
        return std::tie(a.key, a.capitulo, a.rowid) < std::tie(b.key, b.capitulo, b.rowid);
    });
    hits.reserve(qsizetype(places.size()));
    for (Place& p : places)
        hits.append(std::move(p.hits));
    return hits;
}

qsizetype verseCount(const QList<ChapterHits>& hits) {
    qsizetype n = 0;
    for (const ChapterHits& c : hits)
        n += qsizetype(c.verses.size());
    return n;
}

void readTexts(Db& db, QList<ChapterHits>& hits) {
    RawQuery texts(db, QStringLiteral("SELECT Versos FROM BuscaTexto WHERE Id = ?"));
    for (ChapterHits& chapter : hits) {
        chapter.texts.clear();
        bool whole = false;
        texts.first(chapter.id, [&chapter, &whole](const std::vector<std::string_view>& c) {
            whole = eachVerseText(c[0], chapter.verses, [&chapter](int, std::string_view text) {
                chapter.texts << QString::fromUtf8(text.data(), qsizetype(text.size()));
            });
        });
        if (!whole)
            throw DbError("O texto dos versículos encontrados não pôde ser lido por inteiro.");
    }
}

QList<std::pair<qsizetype, qsizetype>> matchedSpans(const QString& texto, const QString& typed) {
    const QString word = foldPlain(typed);
    std::vector<std::pair<qsizetype, qsizetype>> found; // [from, to)
    if (!word.isEmpty()) {
        // Each folding with its own map back to the verse: the two differ in length.
        for (const auto fold : {&foldPlain, &foldSpelling}) {
            std::vector<SourceRange> sources;
            const QString folded = fold(texto, &sources);
            for (qsizetype at = folded.indexOf(word); at >= 0;
                 at = folded.indexOf(word, at + word.size()))
                found.emplace_back(sources[size_t(at)].from,
                                   sources[size_t(at + word.size() - 1)].to);
        }
    }
    // Where both spellings match, the passage is marked once.
    std::sort(found.begin(), found.end());
    QList<std::pair<qsizetype, qsizetype>> spans;
    for (const auto& [from, to] : found) {
        if (!spans.isEmpty() && from < spans.back().first + spans.back().second) {
            spans.back().second = std::max(spans.back().second, to - spans.back().first);
            continue;
        }
        spans.append({from, to - from});
    }
    return spans;
}

} // namespace tovelo
