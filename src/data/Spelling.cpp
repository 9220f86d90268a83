#include "Spelling.h"

#include "SpellingRules.h"

#include <QChar>
#include <QList>
#include <array>
#include <optional>

namespace tovelo {
namespace {

using namespace spelling;

// One character of the text after case and accents: lower case, accents dropped but the tilde
// of ã/õ and the cedilla of ç (which tell words apart while the rules run); [from, to) is where
// it stands in the original.
struct Unit {
    char32_t c;
    qsizetype from;
    qsizetype to;
    bool upper = false;
    bool accent = false; // an accent beside a tilde or cedilla ("é", "ô")
};

struct Letter {
    char32_t base;
    char32_t mark; // the combining tilde or cedilla it carries, else 0
    bool upper;
    bool accent; // another mark
};

bool keptMark(uint mark) {
    return mark == 0x0303 || mark == 0x0327;
}

Letter decompose(char32_t c) {
    const char32_t lower = QChar::toLower(c);
    const QString nfd = QString::fromUcs4(&lower, 1).normalized(QString::NormalizationForm_D);
    const QList<uint> parts = nfd.toUcs4();
    Letter l{parts.value(0, lower), 0, lower != c, false};
    for (qsizetype i = 1; i < parts.size(); ++i) {
        if (keptMark(parts[i]))
            l.mark = parts[i];
        else
            l.accent = true;
    }
    return l;
}

// Latin letters are looked up; decomposing each one would cost more than the search itself.
Letter letterOf(char32_t c) {
    static const std::array<Letter, 0x250> latin = [] {
        std::array<Letter, 0x250> t;
        for (char32_t i = 0; i < t.size(); ++i)
            t[i] = decompose(i);
        return t;
    }();
    return c < latin.size() ? latin[c] : decompose(c);
}

char32_t withMark(char32_t base, char32_t mark) {
    if (mark == 0x0303 && base == U'a') return U'ã';
    if (mark == 0x0303 && base == U'o') return U'õ';
    if (mark == 0x0327 && base == U'c') return U'ç';
    return base;
}

std::vector<Unit> unitsOf(const QString& text) {
    std::vector<Unit> units;
    units.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i].unicode();
        qsizetype next = i + 1;
        if (QChar::isHighSurrogate(c) && next < text.size() && text[next].isLowSurrogate())
            c = QChar::surrogateToUcs4(text[i], text[next++]);
        if (QChar::category(c) == QChar::Mark_NonSpacing) {
            // A combining accent belongs to the letter before it.
            if (!units.empty()) {
                units.back().c = withMark(units.back().c, c);
                units.back().accent = units.back().accent || !keptMark(c);
                units.back().to = next;
            }
        } else if (c == U'\t' || c == U'\n' || c == U'\r') {
            units.push_back({U' ', i, next});
        } else if (c < 0x80) {
            const bool upper = c >= U'A' && c <= U'Z';
            units.push_back({upper ? c + 32 : c, i, next, upper});
        } else {
            const Letter l = letterOf(c);
            units.push_back({withMark(l.base, l.mark), i, next, l.upper, l.accent});
        }
        i = next;
    }
    return units;
}

bool isLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= 0x80 && QChar::isLetter(c));
}

bool isApostrophe(char32_t c) {
    return c == U'\'' || c == U'\u2019';
}

char32_t plainOf(char32_t c) {
    return c == U'ã' ? U'a' : c == U'õ' ? U'o' : c == U'ç' ? U'c' : c;
}

// A character of the result: a letter or mark copied from the text, or one the rules wrote.
struct Piece {
    char32_t c;
    SourceRange from;
    bool copy;
    bool upper;
    qsizetype copyTo = 0; // where the copied character ends, before any dropped letters
};

using Pieces = std::vector<Piece>;

// The units of one word and what surrounds it.
struct Word {
    const Unit* units;
    size_t size;
    bool name;        // written with a capital where a sentence does not start with it
    bool afterHyphen; // "-hei" in "dar-vos-hei"
};

bool allowed(std::u32string_view set, const char32_t* letter) {
    if (set.empty()) return true;
    if (!letter) return false;
    if (set.front() == U'^') return set.substr(1).find(*letter) == std::u32string_view::npos;
    return set.find(*letter) != std::u32string_view::npos;
}

// The rules that can start at a letter: a-z, then every other letter.
using Bucket = std::vector<const Rule*>;
const std::array<Bucket, 27>& rulesByLetter() {
    static const std::array<Bucket, 27> buckets = [] {
        std::array<Bucket, 27> b;
        for (const Rule& r : rules()) {
            const char32_t c = r.from.front();
            b[c >= U'a' && c <= U'z' ? c - U'a' : 26].push_back(&r);
        }
        return b;
    }();
    return buckets;
}

const Rule* ruleAt(const Word& w, size_t i) {
    const char32_t first = w.units[i].c;
    const Bucket& bucket = rulesByLetter()[first >= U'a' && first <= U'z' ? first - U'a' : 26];
    for (const Rule* r : bucket) {
        const size_t n = r->from.size();
        if (i + n > w.size) continue;
        bool same = true;
        for (size_t k = 0; k < n && same; ++k)
            same = w.units[i + k].c == r->from[k] && !(r->plain && w.units[i + k].accent);
        if (!same) continue;
        const bool atStart = i == 0, atEnd = i + n == w.size;
        if ((r->at == At::WordStart && !atStart) || (r->at == At::WordEnd && !atEnd) ||
            (r->at == At::WholeWord && !(atStart && atEnd)))
            continue;
        if ((r->who == Who::Name && !w.name) || (r->who == Who::Common && w.name) ||
            (r->who == Who::AfterHyphen && !w.afterHyphen))
            continue;
        if (!allowed(r->before, i == 0 ? nullptr : &w.units[i - 1].c) ||
            !allowed(r->after, atEnd ? nullptr : &w.units[i + n].c))
            continue;
        return r;
    }
    return nullptr;
}

void copyUnit(const Unit& u, Pieces& out) {
    out.push_back({u.c, {u.from, u.to}, true, u.upper, u.to});
}

// A dropped letter is marked with the character before it.
void extendLast(Pieces& out, qsizetype to) {
    if (!out.empty()) out.back().from.to = to;
}

void foldWord(const Word& w, Pieces& out) {
    for (size_t i = 0; i < w.size;) {
        const Rule* r = ruleAt(w, i);
        if (!r) {
            copyUnit(w.units[i++], out);
            continue;
        }
        const size_t n = r->from.size();
        const SourceRange whole{w.units[i].from, w.units[i + n - 1].to};
        if (r->to.empty()) extendLast(out, whole.to);
        for (size_t k = 0; k < r->to.size(); ++k) {
            // Letter for letter where the lengths agree, so a match marks exactly its letters.
            const bool paired = r->to.size() == n;
            const Unit& u = w.units[i + (paired ? k : 0)];
            if (paired && u.c == r->to[k])
                copyUnit(u, out);
            else
                out.push_back(
                    {r->to[k], paired ? SourceRange{u.from, u.to} : whole, false, k == 0 && u.upper});
        }
        i += n;
    }
}

bool equals(const Pieces& p, size_t from, std::u32string_view word) {
    if (from > p.size()) return false;
    if (p.size() - from != word.size()) return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (plainOf(p[from + k].c) != word[k]) return false;
    return true;
}

class Folder {
public:
    explicit Folder(const QString& text) : units_(unitsOf(text)) { pieces_.reserve(units_.size()); }

    Pieces run() {
        for (size_t i = 0; i < units_.size();) {
            if (!isLetter(units_[i].c)) {
                separator(i);
                ++i;
                continue;
            }
            i = token(i);
        }
        return std::move(pieces_);
    }

private:
    size_t wordEnd(size_t i) const {
        while (i < units_.size() && isLetter(units_[i].c))
            ++i;
        return i;
    }

    // A letter on each side: the mark joins two words of one token ("d'elle", "disse-lhe").
    bool joins(size_t i, bool (*mark)(char32_t)) const {
        return i > 0 && i + 1 < units_.size() && mark(units_[i].c) && isLetter(units_[i - 1].c) &&
               isLetter(units_[i + 1].c);
    }

    static bool hyphen(char32_t c) { return c == U'-'; }

    // Where a sentence starts, a capital tells nothing: only words that begin like the common
    // words the scripture starts sentences with are taken for what they are.
    bool name(size_t b, size_t e) const {
        if (!units_[b].upper) return false;
        size_t k = b;
        while (k > 0 && (units_[k - 1].c == U' ' || units_[k - 1].c == U'"' ||
                         units_[k - 1].c == U'('))
            --k;
        const bool sentence = k == 0 || std::u32string_view(U".:;!?").find(units_[k - 1].c) !=
                                            std::u32string_view::npos;
        if (!sentence) return true;
        for (std::u32string_view start : commonStarts()) {
            if (start.size() > e - b) continue;
            size_t m = 0;
            while (m < start.size() && units_[b + m].c == start[m])
                ++m;
            if (m == start.size()) return false;
        }
        return true;
    }

    Word word(size_t b, size_t e) const {
        return {&units_[b], e - b, name(b, e), b > 0 && joins(b - 1, hyphen)};
    }

    // The letters of a token: words joined by apostrophes and hyphens.
    size_t token(size_t b) {
        size_t e = wordEnd(b);
        if (const std::optional<size_t> whole = compound(b)) return *whole;
        // "chamal-o" is "chamá-lo" today: the l goes to the pronoun.
        if (e - b >= 3 && units_[e - 1].c == U'l' && joins(e, hyphen) &&
            std::u32string_view(U"aeiouãõ").find(units_[e - 2].c) != std::u32string_view::npos) {
            const size_t next = wordEnd(e + 1);
            if (equalsUnits(e + 1, next, {U"o", U"a", U"os", U"as"})) {
                foldWord(word(b, e - 1), pieces_);
                copyUnit(units_[e], pieces_);
                pieces_.push_back({U'l', {units_[e - 1].from, units_[e - 1].to}, false, false});
                foldWord(word(e + 1, next), pieces_);
                return next;
            }
        }
        if (!joins(e, isApostrophe)) {
            foldWord(word(b, e), pieces_);
            return e;
        }
        // "d'elle" is "dele" today, "d'Israel" is "de Israel"; "n'elle", "lh'o", "m'o" join.
        const size_t next = wordEnd(e + 1);
        const bool de = e - b == 1 && units_[b].c == U'd';
        for (size_t i = b; i < e; ++i)
            copyUnit(units_[i], pieces_);
        extendLast(pieces_, units_[e].to);
        const size_t after = pieces_.size();
        foldWord(word(e + 1, next), pieces_);
        if (de && !contracts(after)) {
            const SourceRange mark{units_[e].from, units_[e].to};
            const Piece added[] = {{U'e', mark, false, false}, {U' ', mark, false, false}};
            pieces_.insert(pieces_.begin() + qsizetype(after), std::begin(added), std::end(added));
        }
        return next;
    }

    bool equalsUnits(size_t b, size_t e, std::initializer_list<std::u32string_view> words) const {
        for (std::u32string_view w : words) {
            if (w.size() != e - b) continue;
            size_t k = 0;
            while (k < w.size() && units_[b + k].c == w[k])
                ++k;
            if (k == w.size()) return true;
        }
        return false;
    }

    bool contracts(size_t from) const {
        for (std::u32string_view w : contractedAfterDe())
            if (equals(pieces_, from, w)) return true;
        return false;
    }

    // A hyphenated name written today as one word or otherwise ("Beth-el" is "Betel").
    std::optional<size_t> compound(size_t b) {
        for (const Compound& c : compounds()) {
            size_t k = 0, i = b;
            while (k < c.from.size() && i < units_.size() && units_[i].c == c.from[k]) {
                ++k;
                ++i;
            }
            if (k < c.from.size() || (i < units_.size() && isLetter(units_[i].c))) continue;
            const SourceRange whole{units_[b].from, units_[i - 1].to};
            for (size_t m = 0; m < c.to.size(); ++m)
                pieces_.push_back({c.to[m], whole, false, m == 0 && units_[b].upper});
            return i;
        }
        return std::nullopt;
    }

    void separator(size_t i) {
        const Unit& u = units_[i];
        pieces_.push_back({u.c, {u.from, u.to}, true, false, u.to});
    }

    std::vector<Unit> units_;
    Pieces pieces_;
};

QString folded(const Pieces& pieces, std::vector<SourceRange>* sources) {
    if (sources) {
        sources->clear();
        sources->reserve(pieces.size());
    }
    QString out;
    out.reserve(qsizetype(pieces.size()));
    for (const Piece& p : pieces) {
        const char32_t c = plainOf(p.c);
        if (c < 0x10000) {
            out.append(QChar(char16_t(c)));
            if (sources) sources->push_back(p.from);
        } else {
            out.append(QChar::highSurrogate(c));
            out.append(QChar::lowSurrogate(c));
            if (sources) sources->insert(sources->end(), 2, p.from);
        }
    }
    return out;
}

} // namespace

QString foldPlain(const QString& text, std::vector<SourceRange>* sources) {
    Pieces pieces;
    for (const Unit& u : unitsOf(text))
        copyUnit(u, pieces);
    return folded(pieces, sources);
}

QString foldSpelling(const QString& text, std::vector<SourceRange>* sources) {
    return folded(Folder(text).run(), sources);
}

QString todaysSpelling(const QString& text) {
    QString out;
    for (const Piece& p : Folder(text).run()) {
        if (p.copy) {
            out += text.mid(p.from.from, p.copyTo - p.from.from);
            continue;
        }
        const char32_t c = p.upper ? QChar::toUpper(p.c) : p.c;
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

} // namespace tovelo
