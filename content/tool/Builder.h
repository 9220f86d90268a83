#pragma once

#include <QString>

namespace tovelo::content {

struct BuildCounts {
    int books = 0;
    int chapters = 0;
    int verses = 0;
    int characters = 0;
    int disciples = 0;
    int studies = 0;
    int reflections = 0;
    int maps = 0;
};

// Writes a complete content database to `out` (replaced only once the new one is complete) from
// the scripture file and the authored folder (personagens/, discipulos/, estudos/, reflexoes/,
// mapas/mapas.tsv; missing folders give empty tables). Throws std::runtime_error.
BuildCounts buildDatabase(const QString& scripture, const QString& authored, const QString& out);

} // namespace tovelo::content
