#pragma once

#include <QString>
#include <string_view>
#include <vector>

namespace tovelo {

// Lower case with accents removed ("Coração" -> "coracao").
QString foldText(const QString& text);

// The key stored beside names and titles: sorts in Portuguese order (accents and case ignored
// first, so "Êxodo" falls between "Ester" and "Ezequiel") and is equal for two texts exactly
// when they differ only in letter case. Indexed, so look-ups and ordered lists stay fast.
QString sortKey(const QString& text);

// The keyword search reads one row per chapter: for each verse its number, a tab, its text in
// today's spelling (foldSpelling), where the 1911 spelling differs a tab and that (foldPlain),
// and a line feed. A folded word holds no tab, so a hit lies in one spelling or the other.
QString searchEntry(int vers, const QString& texto);
// The first place at or after `from` where `word` starts in `text` (bytes), or npos: a scan
// that tests 16 places at a time where the processor allows.
size_t findBytes(std::string_view text, std::string_view word, size_t from = 0);
// The verses of such a chapter (UTF-8) whose folded text holds `word` (folded, UTF-8), in the
// order stored. The statement function versiculos(Texto, word) gives them as "1,4,7", or null.
std::vector<int> versesContaining(std::string_view chapter, std::string_view word);

} // namespace tovelo
