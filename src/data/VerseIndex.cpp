#include "VerseIndex.h"

#include "SpellingRules.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_map>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tovelo {

namespace {

// Places whose first and last bytes are the word's are candidates; only there is the rest
// compared. Words of two bytes or more.
size_t findPlain(std::string_view text, std::string_view word, size_t from) {
    const size_t n = word.size();
    while (text.size() - from >= n) {
        const void* first = memchr(text.data() + from, word[0], text.size() - from - n + 1);
        if (!first) break;
        from = size_t(static_cast<const char*>(first) - text.data());
        if (text[from + n - 1] == word[n - 1] &&
            memcmp(text.data() + from + 1, word.data() + 1, n - 2) == 0)
            return from;
        ++from;
    }
    return std::string_view::npos;
}

#if defined(__SSE2__)
// The same test on 16 places at once, as long as the last byte of the 16th lies in the text.
size_t findBlocks(std::string_view text, std::string_view word, size_t from) {
    const size_t n = word.size();
    if (text.size() - from < n + 15) return findPlain(text, word, from);
    const size_t lastBlock = text.size() - n - 15;
    const char* const s = text.data();
    const __m128i first = _mm_set1_epi8(word[0]);
    const __m128i last = _mm_set1_epi8(word[n - 1]);
    for (; from <= lastBlock; from += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + from));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + from + n - 1));
        auto candidates = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        for (; candidates != 0; candidates &= candidates - 1) {
            const size_t at = from + size_t(std::countr_zero(candidates));
            // Compared here rather than with memcmp: a call would take the registers the
            // loop keeps its bytes in.
            size_t k = 1;
            while (k < n - 1 && s[at + k] == word[k])
                ++k;
            if (k >= n - 1) return at;
        }
    }
    return findPlain(text, word, from);
}
#endif

// How many times `c` occurs in `text`, 16 bytes at a time where the processor allows.
size_t countByte(std::string_view text, char c) {
    size_t n = 0, i = 0;
#if defined(__SSE2__)
    // Each of 16 byte counters takes up to 255 matches, then they are summed.
    const __m128i wanted = _mm_set1_epi8(c);
    while (i + 16 <= text.size()) {
        __m128i counts = _mm_setzero_si128();
        for (int round = 0; round < 255 && i + 16 <= text.size(); ++round, i += 16) {
            const __m128i bytes =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(bytes, wanted));
        }
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        n += size_t(_mm_cvtsi128_si32(sums)) + size_t(_mm_extract_epi16(sums, 4));
    }
#endif
    for (; i < text.size(); ++i)
        n += text[i] == c;
    return n;
}

} // namespace

size_t findBytes(std::string_view text, std::string_view word, size_t from) {
    if (from > text.size() || word.size() > text.size() - from) return std::string_view::npos;
    if (word.empty()) return from;
    if (word.size() == 1) {
        const void* at = memchr(text.data() + from, word[0], text.size() - from);
        return at ? size_t(static_cast<const char*>(at) - text.data()) : std::string_view::npos;
    }
#if defined(__SSE2__)
    return findBlocks(text, word, from);
#else
    return findPlain(text, word, from);
#endif
}

std::vector<int> versesContaining(std::string_view chapter, std::string_view word) {
    std::vector<int> verses;
    if (word.empty()) return verses;
    size_t from = 0;
    size_t start = 0; // where the line holding `from` starts
    while (from < chapter.size()) {
        const size_t at = findBytes(chapter, word, from);
        if (at == std::string_view::npos) break;
        // Only the lines after `from` can start between it and the hit.
        if (const void* newline = memrchr(chapter.data() + from, '\n', at - from))
            start = size_t(static_cast<const char*>(newline) - chapter.data()) + 1;
        size_t end = chapter.find('\n', at);
        if (end == std::string_view::npos) end = chapter.size();
        const size_t tab = chapter.find('\t', start);
        if (tab == std::string_view::npos || tab >= end) {
            from = start = end + 1;
        } else if (at <= tab) {
            from = tab + 1; // a hit in the verse number is none: look again in the text
        } else {
            // A hit running past the end of its line is none, and no later one in it fits.
            if (at + word.size() <= end) {
                int vers = 0;
                for (size_t i = start; i < tab && chapter[i] >= '0' && chapter[i] <= '9'; ++i)
                    vers = vers * 10 + (chapter[i] - '0');
                verses.push_back(vers);
            }
            from = start = end + 1;
        }
    }
    return verses;
}

namespace {

void putVarint(std::string& out, std::uint64_t v) {
    while (v >= 0x80) {
        out.push_back(char(v | 0x80));
        v >>= 7;
    }
    out.push_back(char(v));
}

std::uint64_t varintAt(std::string_view in, size_t& at) {
    // Most verse numbers and gaps between them take one byte.
    if (at < in.size() && !(std::uint8_t(in[at]) & 0x80)) return std::uint8_t(in[at++]);
    std::uint64_t v = 0;
    for (int shift = 0; at < in.size() && shift < 64; shift += 7) {
        const auto byte = std::uint8_t(in[at++]);
        v |= std::uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80)) break;
    }
    return v;
}

template <typename T> void putFixed(std::string& out, T v) {
    const size_t at = out.size();
    out.resize(at + sizeof v);
    std::memcpy(out.data() + at, &v, sizeof v);
}

template <typename T> T fixedAt(std::string_view in, size_t at) {
    T v{};
    if (at + sizeof v <= in.size()) std::memcpy(&v, in.data() + at, sizeof v);
    return v;
}

// What words are made of in the folded text: a-z, every byte of a character beyond ASCII, and
// the apostrophe and hyphen within words ("d'este", "disse-lhe").
bool letter(char c) {
    return (c >= 'a' && c <= 'z') || std::uint8_t(c) >= 0x80 || c == '\'' || c == '-';
}

// Each run of letters.
template <typename F> void eachWord(std::string_view text, F f) {
    for (size_t i = 0; i < text.size();) {
        if (!letter(text[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && letter(text[end]))
            ++end;
        f(text.substr(i, end - i));
        i = end;
    }
}

} // namespace

VerseIndex indexVerses(const std::vector<std::pair<std::int64_t, std::string>>& chapters) {
    VerseIndex index;
    std::unordered_map<std::string_view, std::vector<std::uint32_t>> holders;
    std::uint32_t number = 0;
    for (const auto& [id, copy] : chapters) {
        std::vector<int> verses;
        std::string_view rest = copy;
        while (!rest.empty()) {
            const size_t end = std::min(rest.find('\n'), rest.size());
            const std::string_view line = rest.substr(0, end);
            rest.remove_prefix(std::min(end + 1, rest.size()));
            const size_t tab = line.find('\t');
            if (tab == std::string_view::npos) continue;
            int vers = 0;
            for (size_t i = 0; i < tab && line[i] >= '0' && line[i] <= '9'; ++i)
                vers = vers * 10 + (line[i] - '0');
            verses.push_back(vers);
            eachWord(line.substr(tab + 1), [&](std::string_view word) {
                std::vector<std::uint32_t>& v = holders[word];
                if (v.empty() || v.back() != number) v.push_back(number);
            });
            ++number;
        }
        // Each chapter: its id, how many verses, their numbers.
        putVarint(index.places, std::uint64_t(id));
        putVarint(index.places, verses.size());
        for (int v : verses)
            putVarint(index.places, std::uint32_t(v));
    }
    std::vector<std::string_view> words;
    words.reserve(holders.size());
    for (const auto& h : holders)
        words.push_back(h.first);
    std::sort(words.begin(), words.end());
    index.words.push_back('\n');
    for (size_t first = 0; first < words.size(); first += kWordsPerBlock) {
        std::string starts, verses;
        for (size_t w = first; w < std::min(words.size(), first + kWordsPerBlock); ++w) {
            index.words.append(words[w]);
            index.words.push_back('\n');
            putFixed(starts, std::uint32_t(verses.size()));
            std::uint32_t previous = 0;
            for (std::uint32_t n : holders[words[w]]) {
                putVarint(verses, n - previous);
                previous = n;
            }
        }
        putFixed(starts, std::uint32_t(verses.size()));
        std::string block;
        putFixed(block, std::uint32_t(4 + starts.size()));
        index.blocks.push_back(block + starts + verses);
    }
    return index;
}

std::optional<Found> findVerses(const VerseIndexView& index, std::string_view word,
                                const std::function<std::string(std::int64_t)>& chapter) {
    // More than the verses the index knows: each takes a byte of the places at least.
    const size_t count = index.places.size();
    std::vector<std::string_view> parts;
    eachWord(word, [&](std::string_view w) { parts.push_back(w); });
    if (parts.empty()) return std::nullopt;
    const bool exact = parts.size() == 1 && parts.front().size() == word.size();
    // Where the verses are read anyway, a letter or two ("d" in "d'este") narrows nothing.
    const size_t longest = std::max_element(parts.begin(), parts.end(), [](auto a, auto b) {
                               return a.size() < b.size();
                           })->size();
    if (!exact)
        std::erase_if(parts,
                      [&](std::string_view p) { return p.size() < std::min<size_t>(3, longest); });
    // The verses that hold every run of letters of the word in one of theirs: all the verses
    // found, and only those when the word is letters alone.
    std::vector<std::uint64_t> found((count + 63) / 64, ~std::uint64_t(0));
    std::vector<std::uint64_t> holding(found.size());
    std::vector<std::optional<std::string>> blocks;
    for (std::string_view part : parts) {
        std::fill(holding.begin(), holding.end(), 0);
        size_t word = 0; // the line feeds before `scanned`: the word a match lies in
        size_t scanned = 0;
        for (size_t at = findBytes(index.words, part, 1); at != std::string_view::npos;) {
            const size_t lineStart = index.words.rfind('\n', at);
            word += countByte(index.words.substr(scanned, lineStart + 1 - scanned), '\n');
            scanned = lineStart + 1;
            const size_t b = (word - 1) / kWordsPerBlock, w = (word - 1) % kWordsPerBlock;
            if (blocks.size() <= b) blocks.resize(b + 1);
            if (!blocks[b]) blocks[b] = index.block(b);
            // Where the verse numbers start, then where each word's start and the last end.
            const std::string_view block = *blocks[b];
            const size_t head = fixedAt<std::uint32_t>(block, 0);
            size_t i = head + fixedAt<std::uint32_t>(block, 4 + w * 4);
            const size_t to =
                std::min(block.size(), head + fixedAt<std::uint32_t>(block, 8 + w * 4));
            std::uint64_t n = 0;
            while (i < to) {
                n += varintAt(block, i);
                if (n < count) holding[n / 64] |= std::uint64_t(1) << (n % 64);
            }
            // The next match in a later word.
            at = findBytes(index.words, part, index.words.find('\n', at));
        }
        for (size_t k = 0; k < found.size(); ++k)
            found[k] &= holding[k];
    }
    Found result;
    size_t n = 0;
    for (size_t at = 0; at < index.places.size();) {
        const auto id = std::int64_t(varintAt(index.places, at));
        for (auto k = varintAt(index.places, at); k > 0 && at < index.places.size(); --k, ++n) {
            const int vers = int(varintAt(index.places, at));
            if (!(found[n / 64] >> (n % 64) & 1)) continue;
            if (result.empty() || result.back().first != id) {
                result.push_back({id, {}});
                // The chapter's verses still to come, each a byte at least: a damaged count
                // asks for no more than the places hold.
                if (exact)
                    result.back().second.reserve(
                        size_t(std::min<std::uint64_t>(k, index.places.size() - at + 1)));
            }
            if (exact) result.back().second.push_back(vers);
        }
    }
    if (!exact) {
        for (auto& [id, verses] : result)
            verses = versesContaining(chapter(id), word);
        std::erase_if(result, [](const auto& c) { return c.second.empty(); });
    }
    for (auto& [id, verses] : result) {
        std::sort(verses.begin(), verses.end());
        verses.erase(std::unique(verses.begin(), verses.end()), verses.end());
    }
    return result;
}

void appendVerseText(std::string& chapter, int vers, std::string_view text) {
    putVarint(chapter, std::uint64_t(vers));
    putVarint(chapter, text.size());
    chapter += text;
}

bool eachVerseText(std::string_view chapter, const std::vector<int>& verses,
                   const std::function<void(int, std::string_view)>& each) {
    // A number cut off by the end of the bytes is no number.
    const auto whole = [chapter](size_t& at, std::uint64_t& v) {
        const size_t start = at;
        v = varintAt(chapter, at);
        return at > start && !(std::uint8_t(chapter[at - 1]) & 0x80);
    };
    auto next = verses.begin();
    for (size_t at = 0; next != verses.end() && at < chapter.size();) {
        std::uint64_t vers = 0, size = 0;
        if (!whole(at, vers) || !whole(at, size) || size > chapter.size() - at) return false;
        if (vers == std::uint64_t(*next)) each(*next++, chapter.substr(at, size));
        at += size;
    }
    return next == verses.end();
}

std::string searchCopyVersion() {
    // The layout's number, raised whenever the tables of the copy change.
    return spelling::rulesVersion() + "/2";
}

} // namespace tovelo
