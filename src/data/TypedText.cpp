#include "TypedText.h"

#include <array>

namespace tovelo {
namespace {

// U+0080 to U+017F: lower case, accents dropped (as foldPlain folds them, "İ" included).
constexpr std::array<std::string_view, 0x100> kLatin = {
    "\xc2\x80", "\xc2\x81", "\xc2\x82", "\xc2\x83", "\xc2\x84", "\xc2\x85", "\xc2\x86", "\xc2\x87",
    "\xc2\x88", "\xc2\x89", "\xc2\x8a", "\xc2\x8b", "\xc2\x8c", "\xc2\x8d", "\xc2\x8e", "\xc2\x8f",
    "\xc2\x90", "\xc2\x91", "\xc2\x92", "\xc2\x93", "\xc2\x94", "\xc2\x95", "\xc2\x96", "\xc2\x97",
    "\xc2\x98", "\xc2\x99", "\xc2\x9a", "\xc2\x9b", "\xc2\x9c", "\xc2\x9d", "\xc2\x9e", "\xc2\x9f",
    "\xc2\xa0", "\xc2\xa1", "\xc2\xa2", "\xc2\xa3", "\xc2\xa4", "\xc2\xa5", "\xc2\xa6", "\xc2\xa7",
    "\xc2\xa8", "\xc2\xa9", "\xc2\xaa", "\xc2\xab", "\xc2\xac", "\xc2\xad", "\xc2\xae", "\xc2\xaf",
    "\xc2\xb0", "\xc2\xb1", "\xc2\xb2", "\xc2\xb3", "\xc2\xb4", "\xc2\xb5", "\xc2\xb6", "\xc2\xb7",
    "\xc2\xb8", "\xc2\xb9", "\xc2\xba", "\xc2\xbb", "\xc2\xbc", "\xc2\xbd", "\xc2\xbe", "\xc2\xbf",
    "a", "a", "a", "a", "a", "a", "\xc3\xa6", "c",
    "e", "e", "e", "e", "i", "i", "i", "i",
    "\xc3\xb0", "n", "o", "o", "o", "o", "o", "\xc3\x97",
    "\xc3\xb8", "u", "u", "u", "u", "y", "\xc3\xbe", "\xc3\x9f",
    "a", "a", "a", "a", "a", "a", "\xc3\xa6", "c",
    "e", "e", "e", "e", "i", "i", "i", "i",
    "\xc3\xb0", "n", "o", "o", "o", "o", "o", "\xc3\xb7",
    "\xc3\xb8", "u", "u", "u", "u", "y", "\xc3\xbe", "y",
    "a", "a", "a", "a", "a", "a", "c", "c",
    "c", "c", "c", "c", "c", "c", "d", "d",
    "\xc4\x91", "\xc4\x91", "e", "e", "e", "e", "e", "e",
    "e", "e", "e", "e", "g", "g", "g", "g",
    "g", "g", "g", "g", "h", "h", "\xc4\xa7", "\xc4\xa7",
    "i", "i", "i", "i", "i", "i", "i", "i",
    "I", "\xc4\xb1", "\xc4\xb3", "\xc4\xb3", "j", "j", "k", "k",
    "\xc4\xb8", "l", "l", "l", "l", "l", "l", "\xc5\x80",
    "\xc5\x80", "\xc5\x82", "\xc5\x82", "n", "n", "n", "n", "n",
    "n", "\xc5\x89", "\xc5\x8b", "\xc5\x8b", "o", "o", "o", "o",
    "o", "o", "\xc5\x93", "\xc5\x93", "r", "r", "r", "r",
    "r", "r", "s", "s", "s", "s", "s", "s",
    "s", "s", "t", "t", "t", "t", "\xc5\xa7", "\xc5\xa7",
    "u", "u", "u", "u", "u", "u", "u", "u",
    "u", "u", "u", "u", "w", "w", "y", "y",
    "y", "z", "z", "z", "z", "z", "z", "\xc5\xbf",
};

bool combining(char32_t c) {
    return c >= 0x300 && c <= 0x36f;
}

} // namespace

std::optional<std::string> foldTyped(std::string_view typed, int& characters) {
    std::string out;
    characters = 0;
    char32_t last = 0;
    for (size_t i = 0; i < typed.size();) {
        const auto b = static_cast<unsigned char>(typed[i]);
        char32_t c = b;
        size_t n = 1;
        if (b >= 0xc0 && b < 0xe0)
            n = 2, c = b & 0x1f;
        else if (b >= 0xe0 && b < 0xf0)
            n = 3, c = b & 0x0f;
        else if (b >= 0x80)
            return std::nullopt;
        if (i + n > typed.size()) return std::nullopt;
        for (size_t k = 1; k < n; ++k) {
            const auto next = static_cast<unsigned char>(typed[i + k]);
            if ((next & 0xc0) != 0x80) return std::nullopt;
            c = (c << 6) | (next & 0x3f);
        }
        if ((n == 2 && c < 0x80) || (n == 3 && c < 0x800)) return std::nullopt;
        i += n;
        if (combining(c)) {
            // An accent belongs to the letter before it; with none, it counts on its own.
            if (last < 0x20 || (last >= 0x7f && last < 0xa0)) {
                ++characters;
                last = c;
            }
            continue;
        }
        if (c >= 0x180) return std::nullopt;
        // A line break of two characters is one, as a reader counts it.
        if (!(c == U'\n' && last == U'\r')) ++characters;
        last = c;
        if (c == U'\t' || c == U'\n' || c == U'\r')
            out += ' ';
        else if (c >= U'A' && c <= U'Z')
            out += char(c + 32);
        else if (c < 0x80)
            out += char(c);
        else
            out += kLatin[c - 0x80];
    }
    return out;
}

} // namespace tovelo
