#include "BibleReference.h"

#include "TextKeys.h"

#include <QHash>
#include <QRegularExpression>
#include <QSqlQuery>
#include <algorithm>

namespace tovelo {
namespace {

// The books as a modern Brazilian edition and the 1911 text name them: the name the content
// uses, the project's abbreviation, then other names and usual abbreviations.
struct KnownBook {
    const char* name;
    const char* abbreviation;
    const char* others; // separated by "|"
};

constexpr KnownBook kKnownBooks[] = {
    {"Gênesis", "Gn", "Gên|Gen|Ge"},
    {"Êxodo", "Êx", "Êxo|Exod"},
    {"Levítico", "Lv", "Lev|Le"},
    {"Números", "Nm", "Núm|Nu"},
    {"Deuteronômio", "Dt", "Deut|Deu|Deuteronómio"},
    {"Josué", "Js", "Jos"},
    {"Juízes", "Jz", "Juí"},
    {"Rute", "Rt", "Rut|Ruth"},
    {"1 Samuel", "1Sm", "1Sam|1Sa"},
    {"2 Samuel", "2Sm", "2Sam|2Sa"},
    {"1 Reis", "1Rs", "1Re|1Rei"},
    {"2 Reis", "2Rs", "2Re|2Rei"},
    {"1 Crônicas", "1Cr", "1Crôn|1Crô|1 Chronicas"},
    {"2 Crônicas", "2Cr", "2Crôn|2Crô|2 Chronicas"},
    {"Esdras", "Ed", "Esd"},
    {"Neemias", "Ne", "Nee|Neem|Nehemias"},
    {"Ester", "Et", "Est|Esther"},
    {"Jó", "Jó", "Job"},
    {"Salmos", "Sl", "Sal|Salmo|Psalmos|Psalmo"},
    {"Provérbios", "Pv", "Pr|Prov"},
    {"Eclesiastes", "Ec", "Ecl|Ecles|Ecclesiastes"},
    {"Cânticos", "Ct",
     "Cânt|Cântico dos Cânticos|Cânticos dos Cânticos|Cantares|Cantares de "
     "Salomão|Cântico de Salomão"},
    {"Isaías", "Is", "Isa"},
    {"Jeremias", "Jr", "Jer"},
    {"Lamentações de Jeremias", "Lm", "Lam|Lamentações"},
    {"Ezequiel", "Ez", "Eze|Ezeq|Ezechiel"},
    {"Daniel", "Dn", "Dan"},
    {"Oséias", "Os", "Ose|Oseias|Oséas"},
    {"Joel", "Jl", "Joe"},
    {"Amós", "Am", "Amo"},
    {"Obadias", "Ob", "Obd|Abdias"},
    {"Jonas", "Jn", "Jon"},
    {"Miquéias", "Mq", "Miq|Miqueias|Micheas"},
    {"Naum", "Na", "Nahum"},
    {"Habacuque", "Hc", "Hab|Habacuc"},
    {"Sofonias", "Sf", "Sof|Sophonias"},
    {"Ageu", "Ag", "Age"},
    {"Zacarias", "Zc", "Zac|Zacharias"},
    {"Malaquias", "Ml", "Mal|Malachias"},
    {"Mateus", "Mt", "Mat|Matheus|S. Matheus|S. Mateus"},
    {"Marcos", "Mc", "Mar|Mr|S. Marcos"},
    {"Lucas", "Lc", "Luc|S. Lucas"},
    {"João", "Jo", "Joã|S. João"},
    {"Atos", "At", "Atos dos Apóstolos|Actos|Actos dos Apostolos"},
    {"Romanos", "Rm", "Rom"},
    {"1 Coríntios", "1Co", "1Cor|1 Corinthios"},
    {"2 Coríntios", "2Co", "2Cor|2 Corinthios"},
    {"Gálatas", "Gl", "Gál"},
    {"Efésios", "Ef", "Efé|Ephesios"},
    {"Filipenses", "Fp", "Fil|Flp|Philippenses"},
    {"Colossenses", "Cl", "Col"},
    {"1 Tessalonicenses", "1Ts", "1Tes|1 Thessalonicenses"},
    {"2 Tessalonicenses", "2Ts", "2Tes|2 Thessalonicenses"},
    {"1 Timóteo", "1Tm", "1Tim|1 Timotheo"},
    {"2 Timóteo", "2Tm", "2Tim|2 Timotheo"},
    {"Tito", "Tt", "Tit"},
    {"Filemom", "Fm", "Flm|Filem|Filemon|Philemon"},
    {"Hebreus", "Hb", "Heb"},
    {"Tiago", "Tg", "Tia|Thiago|S. Thiago"},
    {"1 Pedro", "1Pe", "1Pd|1Ped|1 S. Pedro"},
    {"2 Pedro", "2Pe", "2Pd|2Ped|2 S. Pedro"},
    {"1 João", "1Jo", "1 S. João"},
    {"2 João", "2Jo", "2 S. João"},
    {"3 João", "3Jo", "3 S. João"},
    {"Judas", "Jd", "Jud|S. Judas"},
    {"Apocalipse", "Ap", "Apoc|Apocalypse"},
};

constexpr int kLongestReference = 300;

// A name as compared: lower case, a leading ordinal as its digit ("I", "1º", "Primeira" -> 1),
// a leading "S." or "São" dropped, then only letters and digits. With `accents` false the
// accents go too.
QString nameKey(const QString& name, bool accents) {
    static const QRegularExpression ordinalDigit(
        QStringLiteral("^([123])\\s*(?:[ºª°]|[oa](?=[\\s.]))?\\.?\\s*"));
    static const QRegularExpression ordinalWord(
        QStringLiteral("^(iii|ii|i|primeir[ao]|segund[ao]|terceir[ao])[\\s.]+"));
    static const QRegularExpression saint(QStringLiteral("^(?:s\\.|s\\s|são\\s|sao\\s)\\s*"));
    QString s = (accents ? name.toLower() : foldText(name)).trimmed();
    QString digit;
    if (const auto m = ordinalDigit.match(s); m.hasMatch()) {
        digit = m.captured(1);
        s = s.mid(m.capturedLength());
    } else if (const auto w = ordinalWord.match(s); w.hasMatch()) {
        const QString word = w.captured(1);
        digit = word.startsWith(QLatin1Char('t')) || word == QLatin1String("iii")  ? "3"
                : word.startsWith(QLatin1Char('s')) || word == QLatin1String("ii") ? "2"
                                                                                   : "1";
        s = s.mid(w.capturedLength());
    }
    s.remove(saint);
    QString key = digit;
    for (QChar c : s)
        if (c.isLetterOrNumber()) key += c;
    return key;
}

} // namespace

struct BibleIndex::Names {
    // Where each name leads: exact keys (accents kept) first, then folded ones. Where two books
    // share a key the project's abbreviation wins, then a full name.
    QHash<QString, int> exact;
    QHash<QString, int> folded;
    struct Keys {
        QStringList names;         // full names, modern and 1911, folded
        QStringList abbreviations; // folded
    };
    std::vector<Keys> keys; // per book
};

namespace {

QStringList namesOf(const KnownBook& k) {
    return QString::fromUtf8(k.others).split(QLatin1Char('|')) << QString::fromUtf8(k.name);
}

// The known book a name of the content is, from any of its names.
const KnownBook* knownBook(const QString& name) {
    static const QHash<QString, const KnownBook*> byName = [] {
        QHash<QString, const KnownBook*> all;
        for (const KnownBook& k : kKnownBooks)
            for (const QString& n : namesOf(k))
                all.insert(nameKey(n, false), &k);
        return all;
    }();
    return byName.value(nameKey(name, false));
}

// Optimal string alignment distance: a letter left out, added, changed or two swapped.
int distance(const QString& a, const QString& b) {
    std::vector<std::vector<int>> d(size_t(a.size() + 1), std::vector<int>(size_t(b.size() + 1)));
    for (qsizetype i = 0; i <= a.size(); ++i)
        d[size_t(i)][0] = int(i);
    for (qsizetype j = 0; j <= b.size(); ++j)
        d[0][size_t(j)] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i)
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const size_t u = size_t(i), v = size_t(j);
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[u][v] = std::min({d[u - 1][v] + 1, d[u][v - 1] + 1, d[u - 1][v - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[u][v] = std::min(d[u][v], d[u - 2][v - 2] + 1);
        }
    return d[size_t(a.size())][size_t(b.size())];
}

// Books one of whose full names starts with the folded key.
std::vector<int> booksWithPrefix(const QString& key, const BibleIndex::Names& t) {
    std::vector<int> found;
    for (size_t b = 0; b < t.keys.size(); ++b) {
        const QStringList& names = t.keys[b].names;
        if (std::any_of(names.begin(), names.end(),
                        [&](const QString& n) { return n.startsWith(key); }))
            found.push_back(int(b));
    }
    return found;
}

QString quoted(const QString& text) {
    const QString shown = text.size() > 40 ? text.left(40) + QStringLiteral("…") : text;
    return QStringLiteral("“") + shown + QStringLiteral("”");
}

const QString kExamples = QStringLiteral("Sl 23, Jo 3.16-18, Gn 1.31-2.3 ou Mt 5.3; Lc 6.20");

QString notUnderstood(const QString& piece) {
    return QStringLiteral("Não entendi a referência %1. Escreva o livro, o capítulo e, se quiser, "
                          "os versículos, como %2.")
        .arg(quoted(piece), kExamples);
}

// The numbers of one reference, after its book: numbers, "." (or ":"), "," and "-".
struct Token {
    enum Kind { Number, Dot, Comma, Dash } kind;
    int value = 0;
};

std::optional<std::vector<Token>> tokens(const QString& text) {
    std::vector<Token> out;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            qsizetype j = i;
            while (j < text.size() && text[j] >= QLatin1Char('0') && text[j] <= QLatin1Char('9'))
                ++j;
            if (j - i > 9 || (!out.empty() && out.back().kind == Token::Number))
                return std::nullopt;
            out.push_back({Token::Number, text.mid(i, j - i).toInt()});
            i = j;
        } else if (c == QLatin1Char('.') || c == QLatin1Char(':')) {
            out.push_back({Token::Dot});
            ++i;
        } else if (c == QLatin1Char(',')) {
            out.push_back({Token::Comma});
            ++i;
        } else if (c == QLatin1Char('-') || c == QChar(0x2013) || c == QChar(0x2014)) {
            out.push_back({Token::Dash});
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

class PieceReader {
public:
    PieceReader(const BibleIndex& index, int book, const QString& piece)
        : book_(index.book(book)), bookNo_(book), piece_(piece) {}

    // The ranges of one reference after its book, appended to `out`; the error otherwise.
    QString read(std::vector<Token> t, QList<VerseRange>& out) {
        const bool hasDot =
            std::any_of(t.begin(), t.end(), [](const Token& k) { return k.kind == Token::Dot; });
        // "Jo 3,16" as Brazilian editions write it: the first comma parts chapter and verse
        // when no point does.
        if (!hasDot)
            for (Token& k : t)
                if (k.kind == Token::Comma) {
                    k.kind = Token::Dot;
                    break;
                }
        const bool verses =
            std::any_of(t.begin(), t.end(), [](const Token& k) { return k.kind == Token::Dot; });
        t_ = std::move(t);
        pos_ = 0;
        if (t_.empty() || t_[0].kind != Token::Number) return notUnderstood(piece_);
        if (!verses) return chapters(out);
        int chapter = 0;
        while (true) {
            // Either chapter.verse, or (after a comma) a verse of the same chapter.
            const int first = number();
            if (first < 0) return notUnderstood(piece_);
            int fromChapter = chapter, fromVerse = first;
            if (take(Token::Dot)) {
                fromChapter = first;
                fromVerse = number();
                if (fromVerse < 0) return notUnderstood(piece_);
            } else if (chapter == 0) {
                return notUnderstood(piece_);
            }
            chapter = fromChapter;
            int toChapter = fromChapter, toVerse = fromVerse;
            if (take(Token::Dash)) {
                const int n = number();
                if (n < 0) return notUnderstood(piece_);
                if (take(Token::Dot)) {
                    toChapter = n;
                    toVerse = number();
                    if (toVerse < 0) return notUnderstood(piece_);
                    chapter = toChapter;
                } else {
                    toVerse = n;
                }
            }
            if (const QString e = check(fromChapter, fromVerse, toChapter, toVerse); !e.isEmpty())
                return e;
            out << VerseRange{bookNo_, fromChapter, fromVerse, toChapter, toVerse, false};
            if (pos_ == t_.size()) return {};
            if (!take(Token::Comma)) return notUnderstood(piece_);
        }
    }

private:
    int number() {
        if (pos_ < t_.size() && t_[pos_].kind == Token::Number) return t_[pos_++].value;
        return -1;
    }
    bool take(Token::Kind kind) {
        if (pos_ < t_.size() && t_[pos_].kind == kind) {
            ++pos_;
            return true;
        }
        return false;
    }

    // "Sl 23", "Ap 21-22"; in a book of one chapter the numbers are verses ("Jd 3-4").
    QString chapters(QList<VerseRange>& out) {
        const int from = number();
        int to = from;
        if (take(Token::Dash)) to = number();
        if (to < 0 || pos_ != t_.size()) return notUnderstood(piece_);
        const bool oneChapter = book_.chapters.size() == 1 && book_.chapters[0].number == 1;
        if (oneChapter && !(from == 1 && to == 1)) {
            if (const QString e = check(1, from, 1, to); !e.isEmpty()) return e;
            out << VerseRange{bookNo_, 1, from, 1, to, false};
            return {};
        }
        for (int c : {from, to})
            if (!book_.chapter(c)) return noChapter(c);
        if (to < from) return reversed();
        out << VerseRange{bookNo_, from, 1, to, book_.chapter(to)->verses, true};
        return {};
    }

    QString check(int fromChapter, int fromVerse, int toChapter, int toVerse) const {
        for (const auto& [c, v] :
             {std::pair(fromChapter, fromVerse), std::pair(toChapter, toVerse)}) {
            const ChapterInfo* chapter = book_.chapter(c);
            if (!chapter) return noChapter(c);
            if (v < 1 || v > chapter->verses)
                return QStringLiteral("%1 %2 tem %3 versículos: o versículo %4 não existe.")
                    .arg(book_.name)
                    .arg(c)
                    .arg(chapter->verses)
                    .arg(v);
        }
        if (std::pair(toChapter, toVerse) < std::pair(fromChapter, fromVerse)) return reversed();
        return {};
    }

    QString noChapter(int c) const {
        const int last = book_.chapters.empty() ? 0 : book_.chapters.back().number;
        return QStringLiteral("%1 tem %2 %3: o capítulo %4 não existe.")
            .arg(book_.name)
            .arg(last)
            .arg(last == 1 ? QStringLiteral("capítulo") : QStringLiteral("capítulos"))
            .arg(c);
    }

    QString reversed() const {
        return QStringLiteral("A referência %1 termina antes de começar: escreva o primeiro "
                              "versículo antes do último.")
            .arg(quoted(piece_));
    }

    const BookInfo& book_;
    int bookNo_;
    QString piece_;
    std::vector<Token> t_;
    size_t pos_ = 0;
};

} // namespace

const ChapterInfo* BookInfo::chapter(int number) const {
    const auto it = std::lower_bound(chapters.begin(), chapters.end(), number,
                                     [](const ChapterInfo& c, int n) { return c.number < n; });
    return it != chapters.end() && it->number == number ? &*it : nullptr;
}

BibleIndex::BibleIndex() : BibleIndex(std::vector<BookInfo>{}) {}

BibleIndex::BibleIndex(std::vector<BookInfo> books) : books_(std::move(books)) {
    auto names = std::make_shared<Names>();
    names->keys.resize(books_.size());
    std::vector<const KnownBook*> known;
    for (const BookInfo& book : books_)
        known.push_back(knownBook(book.name));
    const auto add = [&](size_t book, const QString& text, bool isName) {
        const QString folded = nameKey(text, false);
        if (folded.isEmpty()) return;
        const QString exact = nameKey(text, true);
        if (!names->exact.contains(exact)) names->exact.insert(exact, int(book));
        if (!names->folded.contains(folded)) names->folded.insert(folded, int(book));
        QStringList& list = isName ? names->keys[book].names : names->keys[book].abbreviations;
        if (!list.contains(folded)) list << folded;
    };
    for (size_t b = 0; b < books_.size(); ++b)
        if (known[b]) add(b, QString::fromUtf8(known[b]->abbreviation), false);
    for (size_t b = 0; b < books_.size(); ++b)
        add(b, books_[b].name, true);
    for (size_t b = 0; b < books_.size(); ++b) {
        if (!known[b]) continue;
        // Short forms are abbreviations; longer ones and those of several words are names.
        for (const QString& other : namesOf(*known[b]))
            add(b, other, other.size() > 5 || other.contains(QLatin1Char(' ')));
    }
    names_ = std::move(names);
}

BibleIndex readBibleIndex(Db& db) {
    QSqlQuery q = db.run(QStringLiteral(
        "SELECT Livros.Id, Livros.Livro, Livros.Periodo, Livros.Capitulo, (SELECT max(Vers) FROM "
        "Versiculos WHERE Versiculos.Id = Livros.Id) FROM Livros ORDER BY Livros.Id"));
    std::vector<BookInfo> books;
    QHash<QString, size_t> found;
    while (nextRow(q)) {
        const int verses = q.value(4).toInt();
        if (verses < 1) continue; // a chapter without verses has nothing to read
        const QString name = q.value(1).toString();
        const QString key = sortKey(name);
        auto at = found.constFind(key);
        if (at == found.constEnd()) {
            at = found.insert(key, books.size());
            books.push_back({name, q.value(2).toString(), {}});
        }
        BookInfo& book = books[*at];
        const int number = q.value(3).toInt();
        if (book.chapter(number)) continue;
        const auto place =
            std::upper_bound(book.chapters.begin(), book.chapters.end(), number,
                             [](int n, const ChapterInfo& c) { return n < c.number; });
        book.chapters.insert(place, ChapterInfo{number, q.value(0).toLongLong(), verses});
    }
    return BibleIndex(std::move(books));
}

int findBook(const QString& typedName, const BibleIndex& index) {
    const BibleIndex::Names& t = index.names();
    if (const auto it = t.exact.constFind(nameKey(typedName, true)); it != t.exact.constEnd())
        return *it;
    const QString key = nameKey(typedName, false);
    if (key.isEmpty()) return -1;
    if (const auto it = t.folded.constFind(key); it != t.folded.constEnd()) return *it;
    if (key.size() < 2) return -1;
    const std::vector<int> prefixed = booksWithPrefix(key, t);
    return prefixed.size() == 1 ? prefixed.front() : -1;
}

QStringList closestBooks(const QString& typedName, const BibleIndex& index, int count) {
    const BibleIndex::Names& t = index.names();
    const QString key = nameKey(typedName, false);
    std::vector<std::pair<int, int>> ranked; // (distance, book)
    for (size_t b = 0; b < t.keys.size(); ++b) {
        int best = 1000;
        for (const QStringList* list : {&t.keys[b].names, &t.keys[b].abbreviations})
            for (const QString& k : *list)
                best = std::min(best, !key.isEmpty() && k.startsWith(key) ? 0 : distance(key, k));
        ranked.emplace_back(best, int(b));
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList names;
    for (qsizetype i = 0; i < qsizetype(ranked.size()) && i < count; ++i)
        names << index.book(ranked[size_t(i)].second).name;
    return names;
}

QStringList booksStartingWith(const QString& typedStart, const BibleIndex& index) {
    const BibleIndex::Names& t = index.names();
    const QString key = nameKey(typedStart, false);
    QStringList names;
    if (key.isEmpty()) return names;
    for (size_t b = 0; b < t.keys.size(); ++b)
        for (const QStringList* list : {&t.keys[b].names, &t.keys[b].abbreviations})
            if (std::any_of(list->begin(), list->end(),
                            [&](const QString& k) { return k.startsWith(key); })) {
                names << index.book(int(b)).name;
                break;
            }
    return names;
}

ParsedReference parseReference(const QString& typed, const BibleIndex& index) {
    ParsedReference result;
    QString text = typed.trimmed();
    if (text.size() > kLongestReference) {
        result.error = QStringLiteral("A referência é longa demais: escreva até %1 caracteres.")
                           .arg(kLongestReference);
        return result;
    }
    // As the project writes it: "(Sl 23)".
    if (text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')')))
        text = text.mid(1, text.size() - 2).trimmed();
    while (text.endsWith(QLatin1Char(';')) || text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (text.trimmed().isEmpty()) {
        result.error = QStringLiteral("Digite uma referência, como %1.").arg(kExamples);
        return result;
    }
    // A book (it may start with its number), then the numbers.
    static const QRegularExpression shape(
        QStringLiteral("^((?:[123]\\s*[ºª°]?\\.?\\s*)?[^\\d\\s.:,;\\-–—][^\\d]*?)?\\s*(\\d.*)?$"));
    int book = -1;
    for (const QString& raw : text.split(QLatin1Char(';'))) {
        const QString piece = raw.trimmed();
        const QRegularExpressionMatch m = shape.match(piece);
        if (piece.isEmpty() || !m.hasMatch()) {
            result.error = notUnderstood(piece.isEmpty() ? text : piece);
            break;
        }
        const QString name = m.captured(1).trimmed();
        if (!name.isEmpty()) {
            if (nameKey(name, false).isEmpty()) {
                result.error = notUnderstood(piece);
                break;
            }
            book = findBook(name, index);
            if (book < 0) {
                const QStringList closest = closestBooks(name, index);
                result.error = QStringLiteral("O livro %1 não foi reconhecido.").arg(quoted(name));
                if (!closest.isEmpty())
                    result.error += QStringLiteral(" Os nomes mais parecidos: %1.")
                                        .arg(closest.join(QStringLiteral(", ")));
                break;
            }
        } else if (book < 0) {
            result.error = QStringLiteral("Falta o livro em %1: escreva, por exemplo, Jo 3.16.")
                               .arg(quoted(piece));
            break;
        }
        const QString numbers = m.captured(2);
        if (numbers.isEmpty()) {
            result.error = QStringLiteral("Falta o capítulo em %1: escreva, por exemplo, %2 1.")
                               .arg(quoted(piece), index.book(book).name);
            break;
        }
        const auto t = tokens(numbers);
        result.error =
            t ? PieceReader(index, book, piece).read(*t, result.ranges) : notUnderstood(piece);
        if (!result.error.isEmpty()) break;
    }
    if (!result.error.isEmpty()) result.ranges.clear();
    return result;
}

QString formatReference(const QList<VerseRange>& ranges, const BibleIndex& index) {
    QString out;
    const VerseRange* previous = nullptr;
    bool previousWhole = false;
    for (const VerseRange& r : ranges) {
        const BookInfo& book = index.book(r.book);
        const ChapterInfo* last = book.chapter(r.toChapter);
        const bool whole =
            r.wholeChapters || (r.fromVerse == 1 && last && r.toVerse == last->verses);
        const bool oneChapter = r.fromChapter == r.toChapter;
        QString verses = QString::number(r.fromVerse);
        if (!oneChapter)
            verses += QStringLiteral("-%1.%2").arg(r.toChapter).arg(r.toVerse);
        else if (r.toVerse != r.fromVerse)
            verses += QStringLiteral("-%1").arg(r.toVerse);
        // "Gênesis 12.1, 4-5": verses of the chapter just written follow a comma.
        const bool sameChapter =
            previous && !previousWhole && !whole && oneChapter && previous->book == r.book &&
            previous->fromChapter == previous->toChapter && previous->toChapter == r.fromChapter;
        if (sameChapter) {
            out += QStringLiteral(", ") + verses;
        } else {
            if (previous) out += QStringLiteral("; ");
            out += book.name + QLatin1Char(' ') + QString::number(r.fromChapter);
            if (!whole)
                out += QLatin1Char('.') + verses;
            else if (!oneChapter)
                out += QLatin1Char('-') + QString::number(r.toChapter);
        }
        previous = &r;
        previousWhole = whole;
    }
    return out;
}

QList<VerseRange> rangesOf(const QList<VerseId>& verses, const BibleIndex& index) {
    QList<VerseRange> ranges;
    for (const VerseId& v : verses) {
        if (!ranges.isEmpty()) {
            VerseRange& r = ranges.last();
            const ChapterInfo* end = index.book(r.book).chapter(r.toChapter);
            const auto next = nextChapter(index, {r.book, r.toChapter});
            const bool follows =
                v.book == r.book && ((v.chapter == r.toChapter && v.verse == r.toVerse + 1) ||
                                     (end && r.toVerse == end->verses && v.verse == 1 && next &&
                                      *next == ChapterPlace{v.book, v.chapter}));
            if (follows) {
                r.toChapter = v.chapter;
                r.toVerse = v.verse;
                continue;
            }
        }
        ranges << VerseRange{v.book, v.chapter, v.verse, v.chapter, v.verse, false};
    }
    return ranges;
}

std::optional<ChapterPlace> nextChapter(const BibleIndex& index, ChapterPlace from) {
    if (from.book < 0 || from.book >= index.size()) return std::nullopt;
    for (const ChapterInfo& c : index.book(from.book).chapters)
        if (c.number > from.chapter) return ChapterPlace{from.book, c.number};
    for (int b = from.book + 1; b < index.size(); ++b)
        if (!index.book(b).chapters.empty())
            return ChapterPlace{b, index.book(b).chapters.front().number};
    return std::nullopt;
}

std::optional<ChapterPlace> previousChapter(const BibleIndex& index, ChapterPlace from) {
    if (from.book < 0 || from.book >= index.size()) return std::nullopt;
    const auto& chapters = index.book(from.book).chapters;
    for (auto c = chapters.rbegin(); c != chapters.rend(); ++c)
        if (c->number < from.chapter) return ChapterPlace{from.book, c->number};
    for (int b = from.book - 1; b >= 0; --b)
        if (!index.book(b).chapters.empty())
            return ChapterPlace{b, index.book(b).chapters.back().number};
    return std::nullopt;
}

} // namespace tovelo
