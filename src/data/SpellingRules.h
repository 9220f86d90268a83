#pragma once

#include <span>
#include <string>
#include <string_view>

// The rules that bring the 1911 spelling of the scripture to today's (see foldSpelling). They
// were measured on every word of the 1911 text: tests/data/palavras-1911.tsv lists each one with
// its spelling today, and the spelling test checks the rules against that list.
namespace tovelo::spelling {

// Where in a word a rule applies.
enum class At { Anywhere, WordStart, WordEnd, WholeWord };

// Which words a rule applies to: any, names only (written with a capital, see foldSpelling),
// words that are not names, or the endings of a verb joined with a hyphen ("dar-vos-hei").
enum class Who { Any, Name, Common, AfterHyphen };

// Replaces `from` by `to`, both in the folded alphabet: lower case, no accents but the tilde of
// ã/õ and the cedilla of ç. `before`/`after` name the letters allowed right before/after the
// match within the word ("^" first: any letter but these; a condition on a letter that is not
// there fails). At each letter the first rule that matches wins; every rule looks at the word
// as written, never at what an earlier rule made of it.
struct Rule {
    At at;
    std::u32string_view from;
    std::u32string_view to;
    std::u32string_view before = {};
    std::u32string_view after = {};
    Who who = Who::Any;
    bool plain = false; // the letters matched carry no accent ("possue", not "Josué")
};

// A hyphenated name written otherwise today, as a whole ("beth-el" -> "betel").
struct Compound {
    std::u32string_view from;
    std::u32string_view to;
};

std::span<const Rule> rules();
std::span<const Compound> compounds();
// How the common words a sentence may start with begin ("cheg" in "Chegou"): such a word is not
// taken for a name because of its capital.
std::span<const std::u32string_view> commonStarts();
// The words that "d'" joins today ("d'elle" -> "dele"); before any other it is "de".
std::span<const std::u32string_view> contractedAfterDe();

// Changes whenever any of the above changes.
std::string rulesVersion();

} // namespace tovelo::spelling
