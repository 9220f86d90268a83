#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace tovelo::publisher {

// One record of an update file before it is laid out: a title and its paragraphs (studies and
// reflections) or its picture's file name (maps).
struct Item {
    QString title;
    QStringList paragraphs;
};

// The update files the program downloads: Windows-1252, CR LF line ends, one header line per
// record (" " title " # " start of the text), a closing "#" line and one last empty line, so
// the program's reader hands over every record. Studies travel enciphered, their hexadecimal
// text broken over continuation lines; reflections keep a tab between paragraphs.
// Throws std::runtime_error for a title or text the format cannot carry.
QByteArray studiesFile(const QList<Item>& items);
QByteArray reflectionsFile(const QList<Item>& items);
QByteArray mapsFile(const QList<Item>& items); // paragraphs: the picture's file name

// "title<TAB>picture" lines.
QList<Item> readMapList(const QString& tsv);

// The page the chat window reads the chat server's address from.
QByteArray addressPage(const QString& chatHost);

} // namespace tovelo::publisher
