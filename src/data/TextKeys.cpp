#include "TextKeys.h"

#include "Spelling.h"

#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tovelo {

QString foldText(const QString& text) {
    bool plain = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            plain = false;
            break;
        }
    if (plain) return text.toLower();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing) out.append(c);
    return out.toLower();
}

QString sortKey(const QString& text) {
    return foldText(text) + QChar(1) + text.toLower();
}

QString searchEntry(int vers, const QString& texto) {
    const QString today = foldSpelling(texto), then = foldPlain(texto);
    QString entry = QString::number(vers) + QLatin1Char('\t') + today;
    if (then != today) entry += QLatin1Char('\t') + then;
    return entry + QLatin1Char('\n');
}

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

} // namespace tovelo
