#pragma once

#include "Database.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace tovelo {

// References as readers type them ("Sl 23", "Jo 3:16-18", "1 Coríntios 13.4-7",
// "Gn 1.31-2.3", "Mt 5.3; Lc 6.20") and as the project writes them, over the books and chapters
// the content database holds.

struct ChapterInfo {
    int number = 0;
    qint64 id = 0;  // Livros.Id
    int verses = 0; // the last verse number
};

struct BookInfo {
    QString name;                      // as the database writes it ("Salmos")
    QString periodo;                   // "VT" or "NT"
    std::vector<ChapterInfo> chapters; // ascending
    const ChapterInfo* chapter(int number) const;
};

// The books in the Bible's own order (the order the content was written in), with the names and
// abbreviations each is known by.
class BibleIndex {
public:
    BibleIndex();
    explicit BibleIndex(std::vector<BookInfo> books);
    const BookInfo& book(int i) const { return books_[size_t(i)]; }
    int size() const { return int(books_.size()); }

    struct Names;
    const Names& names() const { return *names_; }

private:
    std::vector<BookInfo> books_;
    std::shared_ptr<const Names> names_;
};
BibleIndex readBibleIndex(Db& db);

// Verses from (fromChapter, fromVerse) to (toChapter, toVerse) of one book, both included.
// wholeChapters: asked for as whole chapters ("Sl 23", "Ap 21-22").
struct VerseRange {
    int book = 0; // BibleIndex::book(i)
    int fromChapter = 0;
    int fromVerse = 0;
    int toChapter = 0;
    int toVerse = 0;
    bool wholeChapters = false;
};

// The ranges asked for, in the order typed, or a Portuguese message saying what was not
// understood or does not exist.
struct ParsedReference {
    QList<VerseRange> ranges;
    QString error;
};
ParsedReference parseReference(const QString& typed, const BibleIndex& index);

// The project's one style, with each book's full name: "Salmos 23", "Salmos 23.1",
// "Romanos 8.28-30", "Gênesis 1.31-2.3", "Gênesis 12.1, 4-5", "Mateus 5.3; Lucas 6.20". A range
// that covers whole chapters is written as chapters.
QString formatReference(const QList<VerseRange>& ranges, const BibleIndex& index);

struct VerseId {
    int book = 0;
    int chapter = 0;
    int verse = 0;
};
// Verses in reading order joined into ranges: neighbours, also across a chapter's end, join.
QList<VerseRange> rangesOf(const QList<VerseId>& verses, const BibleIndex& index);

// The book a reader means by a name or abbreviation, or -1.
int findBook(const QString& typedName, const BibleIndex& index);
// The books whose names come closest to one that was not recognised, best first.
QStringList closestBooks(const QString& typedName, const BibleIndex& index, int count = 3);
// The books whose name, or a usual abbreviation, starts as typed, in the Bible's order.
QStringList booksStartingWith(const QString& typedStart, const BibleIndex& index);

// The chapter after or before one, across books in the Bible's order.
struct ChapterPlace {
    int book = 0;
    int chapter = 0;
    friend bool operator==(const ChapterPlace&, const ChapterPlace&) = default;
};
std::optional<ChapterPlace> nextChapter(const BibleIndex& index, ChapterPlace from);
std::optional<ChapterPlace> previousChapter(const BibleIndex& index, ChapterPlace from);

} // namespace tovelo
