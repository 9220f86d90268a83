#pragma once

#include <QString>
#include <vector>

namespace tovelo {

// Where one character of a folded text comes from: the characters [from, to) of the original.
struct SourceRange {
    qsizetype from;
    qsizetype to;
};

// The text as the keyword search compares what a reader types: lower case, accents dropped
// (also an accent typed as a character of its own), tabs and line breaks as spaces. With
// `sources`, each character of the result (each UTF-16 unit) gets the range of `text` it comes
// from.
QString foldPlain(const QString& text, std::vector<SourceRange>* sources = nullptr);

// The text written in today's spelling, folded as foldPlain folds: the 1911 spelling of the
// scripture brought to the one a reader types today ("Christo" -> "cristo", "elle" -> "ele",
// "d'elle" -> "dele", "filhos d'Israel" -> "filhos de israel", "Moab" -> "moabe"). A word
// spelled today as it was then comes out as foldPlain gives it. With `sources`, as foldPlain;
// a dropped letter belongs to the character before it, an added one to what it replaces.
QString foldSpelling(const QString& text, std::vector<SourceRange>* sources = nullptr);

// The same text in today's spelling with its letter case and the accents it was written with
// ("Moysés" -> "Moisés", "Christo" -> "Cristo"): what the rules make of it, for the tool that
// lists the words of the scripture.
QString todaysSpelling(const QString& text);

} // namespace tovelo
