#pragma once

#include "Database.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace tovelo {

// The keyword search over every verse, shared by the search window and tovelo-busca.

// A typed text is searched when it holds at least 3 characters as a reader counts them: a letter
// with its accents is one, whether typed as one character or as a letter and an accent, and so is
// an emoji.
bool longEnoughToSearch(const QString& typed);

// The hits of one chapter.
struct ChapterHits {
    QString livro;
    int capitulo = 0;
    qint64 id = 0;           // Livros.Id
    std::vector<int> verses; // ascending
    QStringList texts;       // one per verse, once readTexts has run
};

// Every verse whose text holds `typed` (also inside a longer word), case and accents ignored
// (foldPlain), as the 1911 text writes it or in today's spelling (foldSpelling), by chapter in
// the window's order: books in Portuguese alphabetical order, then chapters, each with its
// verses in ascending order. The connection
// must be up to date (bringUpToDate). Throws DbError, also when the rows cannot all be read.
QList<ChapterHits> searchVerses(Db& db, const QString& typed);
qsizetype verseCount(const QList<ChapterHits>& hits);

// Fills in the text of every verse found.
void readTexts(Db& db, QList<ChapterHits>& hits);

// Where `typed` matches in a verse's text, left to right, as (start, length) in `texto`: the
// passage as the verse writes it, whichever spelling was typed; overlapping matches make one.
QList<std::pair<qsizetype, qsizetype>> matchedSpans(const QString& texto, const QString& typed);

} // namespace tovelo
