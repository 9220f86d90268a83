#pragma once

#include <QString>
#include <vector>

namespace tovelo {

// Where one character of a folded text comes from: the characters [from, to) of the original.
struct SourceRange {
    qsizetype from;
    qsizetype to;
};

// Brings a text to the one spelling the keyword search compares, so that a word written today
// and the same word in the 1911 spelling of the scripture meet: lower case, accents dropped,
// and the old spellings brought to today's ("Christo" -> "cristo", "elle" -> "ele",
// "pae" -> "pai", "fructo" -> "fruto"). The typed word and the verses go through it alike, so a
// word written the same then and now finds what it always found. Tabs and line breaks become
// spaces. With `sources`, each character of the result (each UTF-16 unit) gets the range of
// `text` it comes from; a dropped letter belongs to the character before it.
QString foldSpelling(const QString& text, std::vector<SourceRange>* sources = nullptr);

// Changes whenever the folding changes: a search copy folded by another version is stale.
QString spellingVersion();

} // namespace tovelo
