#include "Authored.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

namespace tovelo::content {

Entry parseEntry(const QString& fileName, const QString& text) {
    Entry entry;
    entry.fileName = fileName;
    QStringList lines = QString(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    entry.title = lines.isEmpty() ? QString() : lines.takeFirst().trimmed();
    QStringList paragraphs;
    QString current;
    auto endParagraph = [&] {
        if (!current.isEmpty()) paragraphs << current;
        current.clear();
    };
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line == QStringLiteral("---")) {
            endParagraph();
            if (!paragraphs.isEmpty()) entry.parts << paragraphs;
            paragraphs.clear();
        } else if (line.isEmpty()) {
            endParagraph();
        } else {
            current += (current.isEmpty() ? QString() : QStringLiteral(" ")) + line;
        }
    }
    endParagraph();
    if (!paragraphs.isEmpty()) entry.parts << paragraphs;
    return entry;
}

QList<Entry> readEntries(const QString& folder) {
    QList<Entry> entries;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read " + file.fileName().toStdString());
        Entry entry = parseEntry(name, QString::fromUtf8(file.readAll()));
        if (entry.title.isEmpty() || entry.parts.isEmpty())
            throw std::runtime_error("no title or no text in " + file.fileName().toStdString());
        entries << entry;
    }
    return entries;
}

} // namespace tovelo::content
