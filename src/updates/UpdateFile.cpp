#include "UpdateFile.h"

#include "Cipher.h"

namespace tovelo {

QStringList updateLines(const QString& text) {
    QStringList lines;
    QString line;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r')) {
            line.append(c);
            continue;
        }
        lines << line;
        line.clear();
        if (i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
    }
    // Text after the last break is a line of its own; a final break adds nothing.
    if (!line.isEmpty()) lines << line;
    return lines;
}

namespace {

QByteArray firstLine(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf('\r');
    return end < 0 ? bytes : bytes.left(end);
}

} // namespace

bool acceptUpdate(const QByteArray& bytes) {
    const QByteArray line = firstLine(bytes);
    return !line.isEmpty() && !line.toLower().contains("html");
}

UpdateRecord headerRecord(const QString& line) {
    const qsizetype p = line.indexOf(QLatin1Char('#')) + 1;
    UpdateRecord record;
    if (p >= 4) record.title = line.mid(1, p - 3);
    if (p + 1 < line.size()) record.text = line.mid(p + 1);
    return record;
}

QList<UpdateRecord> readUpdateRecords(const QByteArray& bytes) {
    const QStringList lines = updateLines(fromCp1252(bytes));
    QList<UpdateRecord> records;
    UpdateRecord pending;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.contains(QLatin1Char('#'))) {
            records << pending;
            pending = headerRecord(line);
        } else {
            pending.text += line;
        }
    }
    return records;
}

} // namespace tovelo
