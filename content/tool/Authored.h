#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tovelo::content {

// One authored text file: its first line is the name or title, then an empty line, then
// paragraphs separated by empty lines. A line holding only "---" splits the body into parts
// that are stored as separate rows.
struct Entry {
    QString fileName;
    QString title;
    QList<QStringList> parts; // each part: its paragraphs
};

Entry parseEntry(const QString& fileName, const QString& text);
// Every *.txt of a folder, in file-name order. Throws std::runtime_error on unreadable files.
QList<Entry> readEntries(const QString& folder);

} // namespace tovelo::content
