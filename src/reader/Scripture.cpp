#include "Scripture.h"

namespace tovelo {

QVariant numberOrNull(const QString& text) {
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    return ok ? QVariant(n) : QVariant();
}

QString passageBlock(int vers, const QString& texto) {
    return QString::number(vers) + QStringLiteral(" - ") + texto + QStringLiteral("\r\n\r\n");
}

QString chapterReference(const QString& livro, int capitulo) {
    return livro + QStringLiteral(" - ") + QString::number(capitulo) + QLatin1Char(':');
}

VerseRef parseVerseReference(const QString& line) {
    VerseRef ref;
    const qsizetype dash = line.indexOf(QStringLiteral(" - "));
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    ref.livro = dash < 0 ? QString() : line.left(dash);
    const qsizetype from = dash < 0 ? 0 : dash + 3;
    if (colon >= from) {
        ref.capitulo = line.mid(from, colon - from).remove(QLatin1Char(' '));
        ref.vers = line.mid(colon + 1);
    }
    return ref;
}

} // namespace tovelo
