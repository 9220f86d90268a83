#pragma once

#include <QString>

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
} // namespace tovelo
