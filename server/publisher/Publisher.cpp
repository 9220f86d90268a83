#include "Publisher.h"

#include "Cipher.h"

#include <functional>
#include <stdexcept>

namespace tovelo::publisher {
namespace {

constexpr qsizetype kHexLine = 76;

void check(const QString& title, const QString& text) {
    const auto fail = [&](const char* why) {
        throw std::runtime_error(
            QStringLiteral("%1: %2").arg(title, QLatin1String(why)).toStdString());
    };
    if (title.trimmed().isEmpty()) fail("empty title");
    for (const QString& part : {title, text}) {
        if (part.contains(QLatin1Char('#'))) fail("'#' would start a new record");
        if (part.contains(QLatin1Char('\r')) || part.contains(QLatin1Char('\n')))
            fail("line break inside a record");
    }
    if (fromCp1252(toCp1252(title + text)) != title + text)
        fail("a character outside Windows-1252");
}

QByteArray layOut(const QList<Item>& items, const std::function<QStringList(const Item&)>& lines) {
    QStringList out;
    for (const Item& item : items) {
        QStringList body = lines(item);
        check(item.title, body.join(QString()));
        body[0] = QLatin1Char(' ') + item.title + QStringLiteral(" # ") + body[0];
        out += body;
    }
    // The first line decides whether the program accepts the file at all.
    if (!out.isEmpty() && out.first().contains(QStringLiteral("HTML")))
        throw std::runtime_error("the first line must not hold \"HTML\"");
    out << QStringLiteral("#") << QString();
    return toCp1252(out.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

} // namespace

QByteArray studiesFile(const QList<Item>& items) {
    return layOut(items, [](const Item& item) {
        const QString hex = Cifrar(item.paragraphs.join(QLatin1Char('\t')), kChave);
        QStringList lines;
        for (qsizetype i = 0; i < hex.size(); i += kHexLine)
            lines << hex.mid(i, kHexLine);
        if (lines.isEmpty()) lines << QString();
        return lines;
    });
}

QByteArray reflectionsFile(const QList<Item>& items) {
    return layOut(items, [](const Item& item) {
        return QStringList{item.paragraphs.join(QLatin1Char('\t'))};
    });
}

QByteArray mapsFile(const QList<Item>& items) {
    return layOut(items, [](const Item& item) { return QStringList{item.paragraphs.value(0)}; });
}

QList<Item> readMapList(const QString& tsv) {
    QList<Item> items;
    for (const QString& raw : tsv.split(QLatin1Char('\n'))) {
        const QString line = QString(raw).remove(QLatin1Char('\r'));
        if (line.trimmed().isEmpty()) continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 2 || fields[1].trimmed().isEmpty())
            throw std::runtime_error("expected title<TAB>picture: " + line.toStdString());
        items.append({fields[0].trimmed(), {fields[1].trimmed()}});
    }
    return items;
}

QByteArray addressPage(const QString& chatHost) {
    return toCp1252(QStringLiteral("<html><body>\r\n<p>Servidor de chat: IP%1Escrita Final</p>\r\n"
                                   "</body></html>\r\n")
                        .arg(chatHost));
}

} // namespace tovelo::publisher
