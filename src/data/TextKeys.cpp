#include "TextKeys.h"

#include "Spelling.h"


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
    const QString today = foldSpelling(texto), then = foldPlain(texto);
    QString entry = QString::number(vers) + QLatin1Char('\t') + today;
    if (then != today) entry += QLatin1Char('\t') + then;
    return entry + QLatin1Char('\n');
}

} // namespace tovelo
