#pragma once

#include <QString>
#include <QVariant>

namespace tovelo {

// A chapter or verse typed into a field as a statement value: the number, or null (which
// matches nothing) when the text is empty or not a number.
QVariant numberOrNull(const QString& text);

// One verse of a passage: its number, " - ", its text and two line breaks.
QString passageBlock(int vers, const QString& texto);

// "Livro - capítulo:", the start of a search hit line; the verse number completes it.
QString chapterReference(const QString& livro, int capitulo);

struct VerseRef {
    QString livro;
    QString capitulo;
    QString vers;
};
// Takes a hit line apart again: the book before the first " - ", the chapter up to the first
// ":" with its spaces removed, the verse after it.
VerseRef parseVerseReference(const QString& line);

} // namespace tovelo
