#include "TextKeys.h"

#include "Spelling.h"

#include <cstring>

namespace tovelo {

QString foldText(const QString& text) {
    bool plain = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            plain = false;
            break;
        }
    if (plain) return text.toLower();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing) out.append(c);
    return out.toLower();
}

QString sortKey(const QString& text) {
    return foldText(text) + QChar(1) + text.toLower();
}

QString searchEntry(int vers, const QString& texto) {
    return QString::number(vers) + QLatin1Char('\t') + foldSpelling(texto) + QLatin1Char('\n');
}

std::vector<int> versesContaining(std::string_view chapter, std::string_view word) {
    std::vector<int> verses;
    if (word.empty()) return verses;
    size_t from = 0;
    while (from < chapter.size()) {
        const void* hit =
            memmem(chapter.data() + from, chapter.size() - from, word.data(), word.size());
        if (!hit) break;
        const size_t at = size_t(static_cast<const char*>(hit) - chapter.data());
        const size_t newline = at == 0 ? std::string_view::npos : chapter.rfind('\n', at - 1);
        const size_t start = newline == std::string_view::npos ? 0 : newline + 1;
        size_t end = chapter.find('\n', at);
        if (end == std::string_view::npos) end = chapter.size();
        const size_t tab = chapter.find('\t', start);
        if (tab == std::string_view::npos || tab >= end) {
            from = end + 1;
        } else if (at <= tab) {
            from = tab + 1; // a hit in the verse number is none: look again in the text
        } else {
            // A hit running past the end of its line is none, and no later one in it fits.
            if (at + word.size() <= end) {
                int vers = 0;
                for (size_t i = start; i < tab && chapter[i] >= '0' && chapter[i] <= '9'; ++i)
                    vers = vers * 10 + (chapter[i] - '0');
                verses.push_back(vers);
            }
            from = end + 1;
        }
    }
    return verses;
}

} // namespace tovelo
