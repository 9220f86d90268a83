#pragma once

#include <QString>

namespace tovelo {

// Lower case with accents removed ("Coração" -> "coracao"): what the keyword search compares.
QString foldText(const QString& text);

// The key stored beside names and titles: sorts in Portuguese order (accents and case ignored
// first, so "Êxodo" falls between "Ester" and "Ezequiel") and is equal for two texts exactly
// when they differ only in letter case. Indexed, so look-ups and ordered lists stay fast.
QString sortKey(const QString& text);

} // namespace tovelo
