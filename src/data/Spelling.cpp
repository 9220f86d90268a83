#include "Spelling.h"

#include <QChar>
#include <QList>
#include <array>
#include <string_view>

namespace tovelo {
namespace {

// Where in a word a rule applies.
enum class At { Anywhere, WordStart, WordEnd, WholeWord };

// Replaces `from` by `to` (both in the folded alphabet: lower case, no accents but the tilde of
// ã/õ and the cedilla of ç, which the folding drops at the very end). `before`/`after` name the
// letters allowed right before/after the match within the word ("^" first: any letter but
// these; a condition on a letter that is not there fails).
struct Rule {
    At at;
    std::u32string_view from;
    std::u32string_view to;
    std::u32string_view before = {};
    std::u32string_view after = {};
};

constexpr std::u32string_view kVowels = U"aeiouyãõ";

// Counted on the 1911 text: each rule brings a spelling it writes to today's. At each letter the
// first rule that matches wins; every rule looks at the word as written, never at what an
// earlier rule made of it, so the order only matters among rules that start at the same letter.
constexpr Rule kRules[] = {
    // Whole words and word starts that changed, and interjections kept from the rule on a final h.
    {At::WholeWord, U"ah", U"ah"},
    {At::WholeWord, U"oh", U"oh"},
    {At::WholeWord, U"dous", U"dois"},
    {At::WholeWord, U"amen", U"amem"},
    {At::WholeWord, U"poz", U"pos"},
    {At::WholeWord, U"puz", U"pus"},
    {At::WholeWord, U"quiz", U"quis"},
    {At::WholeWord, U"mez", U"mes"},
    {At::WholeWord, U"atraz", U"atras"},
    {At::WholeWord, U"detraz", U"detras"},
    {At::WholeWord, U"satanaz", U"satanas"},
    {At::WholeWord, U"teem", U"tem"},
    {At::WholeWord, U"quasi", U"quase"},
    {At::WholeWord, U"calix", U"calice"},
    {At::WordStart, U"cousa", U"coisa"},
    {At::WordStart, U"egrej", U"igrej"},
    {At::Anywhere, U"egual", U"igual"},
    {At::WordStart, U"quaes", U"quais"},
    {At::WordStart, U"edad", U"idad"},
    {At::WordStart, U"similh", U"semelh"},
    {At::WordStart, U"logar", U"lugar"},
    {At::WordStart, U"cincoent", U"cinquent"},
    {At::WordStart, U"peior", U"pior"},
    {At::WordStart, U"poze", U"puse"},
    {At::WordStart, U"pateo", U"patio"},
    {At::WordStart, U"escarneo", U"escarnio"},
    {At::WordStart, U"herv", U"erv"},
    {At::WordStart, U"hombr", U"ombr"},
    {At::WordStart, U"hontem", U"ontem"},
    {At::WordStart, U"dextr", U"destr"},
    {At::WordStart, U"descanç", U"descans"},
    {At::WordStart, U"cançad", U"cansad"},
    {At::WordStart, U"magest", U"majest"},
    {At::WordStart, U"taboa", U"tabua"},
    {At::WordStart, U"sign", U"sin", {}, U"a"},
    {At::WordStart, U"assign", U"assin"},
    {At::WordStart, U"resusc", U"ressusc"},
    {At::WordStart, U"resurr", U"ressurr"},
    {At::WordStart, U"dezese", U"desesse"},
    {At::WordStart, U"bemaventur", U"bem-aventur"},
    {At::WordStart, U"zachar", U"zacar"},
    {At::WordStart, U"chald", U"cald"},
    {At::WordStart, U"cherub", U"querub"},
    {At::WordStart, U"eunuch", U"eunuc"},
    {At::WordStart, U"sc", U"c", {}, U"ei"},
    {At::WordStart, U"ps", U"s"},
    // Names read today as they sound.
    {At::WholeWord, U"isaac", U"isaque"},
    {At::WholeWord, U"achab", U"acabe"},
    {At::WordStart, U"achaz", U"acaz"},
    {At::WholeWord, U"rachel", U"raquel"},
    {At::WholeWord, U"sichem", U"siquem"},
    {At::WholeWord, U"abimelech", U"abimeleque"},
    {At::WordStart, U"bethlehem", U"belem"},
    {At::WholeWord, U"manasseh", U"manasses"},
    {At::WholeWord, U"jonathan", U"jonatas"},
    {At::WholeWord, U"benjamin", U"benjamim"},
    {At::WholeWord, U"gideon", U"gideao"},
    {At::WholeWord, U"caleb", U"calebe"},
    {At::WholeWord, U"enoch", U"enoque"},
    {At::WholeWord, U"henoch", U"enoque"},
    {At::WholeWord, U"michael", U"miguel"},
    {At::WholeWord, U"leah", U"lia"},
    // Silent and Greek letters.
    {At::Anywhere, U"mph", U"nf"},
    {At::Anywhere, U"ph", U"f"},
    {At::Anywhere, U"th", U"t"},
    {At::Anywhere, U"rh", U"r"},
    {At::Anywhere, U"chr", U"cr"},
    {At::Anywhere, U"chl", U"cl"},
    {At::Anywhere, U"sch", U"sc"},
    {At::Anywhere, U"sh", U"s"},
    {At::Anywhere, U"tth", U"t"},
    {At::Anywhere, U"y", U"i"},
    {At::Anywhere, U"mpt", U"nt"},
    {At::Anywhere, U"mpç", U"nç"},
    {At::Anywhere, U"cç", U"ç"},
    {At::Anywhere, U"pç", U"ç"},
    {At::Anywhere, U"ct", U"t"},
    {At::Anywhere, U"pt", U"t"},
    {At::Anywhere, U"mn", U"n"},
    // Doubled consonants (rr and ss still tell words apart today).
    {At::Anywhere, U"cc", U"c"},
    {At::Anywhere, U"ll", U"l"},
    {At::Anywhere, U"nn", U"n"},
    {At::Anywhere, U"ff", U"f"},
    {At::Anywhere, U"tt", U"t"},
    {At::Anywhere, U"mm", U"m"},
    {At::Anywhere, U"pp", U"p"},
    {At::Anywhere, U"bb", U"b"},
    {At::Anywhere, U"dd", U"d"},
    {At::Anywhere, U"gg", U"g"},
    {At::Anywhere, U"oir", U"our", {}, U"ao"},
    {At::Anywhere, U"cre", U"cri", {}, U"ao"},
    // Endings: "pae", "louvae", "quaes" (not "pães"), "Judea", "judeos", "possue", "veiu".
    {At::WordEnd, U"eiu", U"eio"},
    {At::WordEnd, U"ae", U"ai"},
    {At::WordEnd, U"aes", U"ais"},
    {At::WordEnd, U"ea", U"eia"},
    {At::WordEnd, U"eas", U"eias"},
    {At::WordEnd, U"eo", U"eu"},
    {At::WordEnd, U"eos", U"eus"},
    {At::WordEnd, U"ue", U"ui", U"^qg"},
    {At::WordEnd, U"ues", U"uis", U"^qg"},
    {At::WordEnd, U"h", U"", kVowels},
    // h between vowels ("sahiu", "Abrahão"), s/z between vowels, m before a consonant.
    {At::Anywhere, U"h", U"", kVowels, kVowels},
    {At::Anywhere, U"z", U"s", kVowels, kVowels},
    {At::Anywhere, U"m", U"n", {}, U"^aeiouyãõbpmh"},
};

// Raised whenever the folding changes in a way the rule table does not show.
constexpr std::u32string_view kRevision = U"1";

// The rules that can start at a letter: a-z, then every other letter.
using Bucket = std::vector<const Rule*>;
const std::array<Bucket, 27>& rulesByLetter() {
    static const std::array<Bucket, 27> buckets = [] {
        std::array<Bucket, 27> b;
        for (const Rule& r : kRules) {
            const char32_t c = r.from.front();
            b[c >= U'a' && c <= U'z' ? c - U'a' : 26].push_back(&r);
        }
        return b;
    }();
    return buckets;
}

bool allowed(std::u32string_view set, const char32_t* letter) {
    if (set.empty()) return true;
    if (!letter) return false;
    if (set.front() == U'^') return set.substr(1).find(*letter) == std::u32string_view::npos;
    return set.find(*letter) != std::u32string_view::npos;
}

// One character of the text after case and accents: lower case, accents dropped but the tilde
// of ã/õ and the cedilla of ç; [from, to) is where it stands in the original. `start`: a word
// starts here, also right after an apostrophe ("d'egreja" is "de egreja").
struct Unit {
    char32_t c;
    qsizetype from;
    qsizetype to;
    bool start = false;
};

struct Letter {
    char32_t base;
    char32_t mark; // the combining tilde or cedilla it carries, else 0
};

Letter decompose(char32_t lower) {
    const QString nfd = QString::fromUcs4(&lower, 1).normalized(QString::NormalizationForm_D);
    const QList<uint> parts = nfd.toUcs4();
    Letter l{parts.value(0, lower), 0};
    for (qsizetype i = 1; i < parts.size(); ++i)
        if (parts[i] == 0x0303 || parts[i] == 0x0327) l.mark = parts[i];
    return l;
}

// Latin letters are looked up; decomposing each one would cost more than the search itself.
Letter letterOf(char32_t c) {
    static const std::array<Letter, 0x250> latin = [] {
        std::array<Letter, 0x250> t;
        for (char32_t i = 0; i < t.size(); ++i)
            t[i] = decompose(QChar::toLower(i));
        return t;
    }();
    return c < latin.size() ? latin[c] : decompose(QChar::toLower(c));
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
                units.back().to = next;
            }
        } else if (c == U'\t' || c == U'\n' || c == U'\r') {
            units.push_back({U' ', i, next});
        } else if (c < 0x80) {
            units.push_back({c >= U'A' && c <= U'Z' ? c + 32 : c, i, next});
        } else {
            const Letter l = letterOf(c);
            units.push_back({withMark(l.base, l.mark), i, next});
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

class Output {
public:
    Output(qsizetype reserve, std::vector<SourceRange>* sources) : sources_(sources) {
        text_.reserve(reserve);
        if (sources_) sources_->reserve(size_t(reserve));
    }
    void add(char32_t c, SourceRange from) {
        if (c == U'ã')
            c = U'a';
        else if (c == U'õ')
            c = U'o';
        else if (c == U'ç')
            c = U'c';
        if (c < 0x10000) {
            text_.append(QChar(char16_t(c)));
            if (sources_) sources_->push_back(from);
        } else {
            text_.append(QChar::highSurrogate(c));
            text_.append(QChar::lowSurrogate(c));
            if (sources_) sources_->insert(sources_->end(), 2, from);
        }
    }
    // A dropped letter is marked with the character before it.
    void extendLast(qsizetype to) {
        if (sources_ && !sources_->empty()) sources_->back().to = to;
    }
    QString take() { return std::move(text_); }

private:
    QString text_;
    std::vector<SourceRange>* sources_;
};

const Rule* ruleAt(const std::vector<Unit>& word, size_t i) {
    const char32_t first = word[i].c;
    const Bucket& bucket = rulesByLetter()[first >= U'a' && first <= U'z' ? first - U'a' : 26];
    for (const Rule* r : bucket) {
        const size_t n = r->from.size();
        if (i + n > word.size()) continue;
        bool same = true;
        for (size_t k = 0; k < n && same; ++k)
            same = word[i + k].c == r->from[k];
        if (!same) continue;
        const bool atStart = word[i].start, atEnd = i + n == word.size();
        if ((r->at == At::WordStart && !atStart) || (r->at == At::WordEnd && !atEnd) ||
            (r->at == At::WholeWord && !(atStart && atEnd)))
            continue;
        if (!allowed(r->before, i == 0 ? nullptr : &word[i - 1].c) ||
            !allowed(r->after, atEnd ? nullptr : &word[i + n].c))
            continue;
        return r;
    }
    return nullptr;
}

void foldWord(const std::vector<Unit>& word, Output& out) {
    for (size_t i = 0; i < word.size();) {
        const Rule* r = ruleAt(word, i);
        if (!r) {
            out.add(word[i].c, {word[i].from, word[i].to});
            ++i;
            continue;
        }
        const size_t n = r->from.size();
        const SourceRange whole{word[i].from, word[i + n - 1].to};
        if (r->to.empty()) out.extendLast(whole.to);
        for (size_t k = 0; k < r->to.size(); ++k)
            // Letter for letter where the lengths agree, so a match marks exactly its letters.
            out.add(r->to[k],
                    r->to.size() == n ? SourceRange{word[i + k].from, word[i + k].to} : whole);
        i += n;
    }
}

} // namespace

QString foldSpelling(const QString& text, std::vector<SourceRange>* sources) {
    if (sources) sources->clear();
    const std::vector<Unit> units = unitsOf(text);
    Output out(text.size(), sources);
    std::vector<Unit> word;
    bool start = false;
    for (size_t i = 0; i < units.size(); ++i) {
        const Unit& u = units[i];
        if (isLetter(u.c)) {
            word.push_back(u);
            word.back().start = word.size() == 1 || start;
            start = false;
            continue;
        }
        // "d'elle" is one word today ("dele"): an apostrophe between letters is dropped.
        if (isApostrophe(u.c) && !word.empty() && i + 1 < units.size() &&
            isLetter(units[i + 1].c)) {
            word.back().to = u.to;
            start = true;
            continue;
        }
        foldWord(word, out);
        word.clear();
        out.add(u.c, {u.from, u.to});
    }
    foldWord(word, out);
    return out.take();
}

QString spellingVersion() {
    // FNV-1a over the rule table and the revision.
    quint64 hash = 1469598103934665603ull;
    auto mix = [&hash](std::u32string_view s) {
        for (char32_t c : s)
            hash = (hash ^ c) * 1099511628211ull;
        hash = (hash ^ 0xffffffffu) * 1099511628211ull;
    };
    mix(kRevision);
    for (const Rule& r : kRules) {
        const char32_t at = U'0' + char32_t(r.at);
        mix({&at, 1});
        mix(r.from);
        mix(r.to);
        mix(r.before);
        mix(r.after);
    }
    return QString::number(hash, 16);
}

} // namespace tovelo
