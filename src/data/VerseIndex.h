#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The keyword search over the search copy (see searchEntry): plain C++ and the bytes of the
// database, so that tovelo-busca can answer without starting Qt.
namespace tovelo {

// The first place at or after `from` where `word` starts in `text` (bytes), or npos: a scan
// that tests 16 places at a time where the processor allows.
size_t findBytes(std::string_view text, std::string_view word, size_t from = 0);
// The verses of a chapter's search copy (UTF-8) whose folded text holds `word` (folded, UTF-8),
// in the order stored. The statement function versiculos(Texto, word) gives them as "1,4,7".
std::vector<int> versesContaining(std::string_view chapter, std::string_view word);

// Every word (run of letters, apostrophes and hyphens) of the folded verses, in both
// spellings, with the verses that hold it: a typed text is looked up there instead of in the
// whole text. Stored in the database as the words and the places (table BuscaIndice), and the
// verses of each block of words (table BuscaVersos), so a search reads only the blocks of the
// words it finds.
constexpr size_t kWordsPerBlock = 256;
struct VerseIndex {
    std::string words;  // "\n" + each word + "\n", in byte order
    std::string places; // each chapter's id, its number of verses and theirs, as varints
    // Each block: where its verse numbers start, where each of its words' start and the last
    // ends (4 bytes each, counted from there), then each word's verse numbers, rising, as
    // varint differences.
    std::vector<std::string> blocks;
};

// The words and places as they lie in the database; `block(n)` reads block n.
struct VerseIndexView {
    std::string_view words;
    std::string_view places;
    std::function<std::string(size_t)> block;
};

// The index of the chapters' search copies (chapter id, copy), in the order of their ids.
VerseIndex indexVerses(const std::vector<std::pair<std::int64_t, std::string>>& chapters);

// The verses whose folded text holds `word` (folded, UTF-8), by chapter in the order indexed,
// each chapter's verses rising. `chapter(id)` gives the search copy of a chapter where the index
// alone cannot tell (a word with more than letters). Nothing when the word holds no letter: the
// index cannot help there.
using Found = std::vector<std::pair<std::int64_t, std::vector<int>>>;
std::optional<Found> findVerses(const VerseIndexView& index, std::string_view word,
                                const std::function<std::string(std::int64_t)>& chapter);

// Each chapter's verses as the window shows them (the first row of a verse number), in one row,
// so that a listing reads a row per chapter rather than one per verse: per verse its number and
// the length of its text (UTF-8) as varints, then the text.
void appendVerseText(std::string& chapter, int vers, std::string_view text);
// Hands `each` the text of every verse of `verses` (rising) in `chapter`; false when one of
// them is not there.
bool eachVerseText(std::string_view chapter, const std::vector<int>& verses,
                   const std::function<void(int, std::string_view)>& each);

// The version of the search copy's folding and layout: a copy of another version is made anew.
std::string searchCopyVersion();

} // namespace tovelo
