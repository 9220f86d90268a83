// Builds the publisher's static site from the authored texts in conteudo/: the numbered
// update files (EstudosN/, ReflexoesN/ folders of texts, MapasN.tsv lists), each with its
// signature when a secret key is given, and the chat address page.
#include "Authored.h"
#include "Publisher.h"
#include "Signature.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <cstdio>
#include <optional>
#include <stdexcept>

using namespace tovelo;

namespace {

QList<publisher::Item> articles(const QString& folder) {
    QList<publisher::Item> items;
    for (const content::Entry& entry : content::readEntries(folder)) {
        publisher::Item item{entry.title, {}};
        for (const QStringList& part : entry.parts)
            item.paragraphs += part;
        items << item;
    }
    return items;
}

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error("cannot write " + path.toStdString());
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Builds the publisher's update site."));
    parser.addHelpOption();
    const QCommandLineOption contentOpt(QStringLiteral("content"),
                                        QStringLiteral("Folder of the authored texts."),
                                        QStringLiteral("dir"));
    const QCommandLineOption outOpt(QStringLiteral("out"), QStringLiteral("Site folder."),
                                    QStringLiteral("dir"));
    const QCommandLineOption picturesOpt(
        QStringLiteral("pictures"),
        QStringLiteral("Folder of the program's map pictures; every listed map must be there."),
        QStringLiteral("dir"));
    const QCommandLineOption chatOpt(QStringLiteral("chat-host"),
                                     QStringLiteral("Address the chat page announces."),
                                     QStringLiteral("host"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption keyOpt(
        QStringLiteral("key"),
        QStringLiteral("minisign secret key without a password (minisign -G -W): each update "
                       "file NAME gets its signature NAME.minisig, trusted comment file:NAME."),
        QStringLiteral("file"));
    parser.addOptions({contentOpt, outOpt, picturesOpt, chatOpt, keyOpt});
    parser.process(app);
    if (!parser.isSet(contentOpt) || !parser.isSet(outOpt)) {
        std::fputs("tovelo-publish: --content and --out are required\n", stderr);
        return 2;
    }

    try {
        std::optional<SecretKey> key;
        if (parser.isSet(keyOpt)) {
            QFile file(parser.value(keyOpt));
            if (!file.open(QIODevice::ReadOnly))
                throw std::runtime_error("cannot read " + file.fileName().toStdString());
            key = readSecretKey(file.readAll());
        }
        const QDir source(parser.value(contentOpt));
        const QDir site(parser.value(outOpt));
        static const QRegularExpression numbered(
            QStringLiteral("^(Estudos|Reflexoes)([1-9][0-9]*)$|^Mapas([1-9][0-9]*)\\.tsv$"));
        int files = 0;
        for (const QFileInfo& info :
             source.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
            const QRegularExpressionMatch m = numbered.match(info.fileName());
            if (!m.hasMatch()) continue;
            QByteArray bytes;
            QString name;
            if (m.captured(1) == QStringLiteral("Estudos") && info.isDir()) {
                bytes = publisher::studiesFile(articles(info.filePath()));
                name = info.fileName();
            } else if (m.captured(1) == QStringLiteral("Reflexoes") && info.isDir()) {
                bytes = publisher::reflectionsFile(articles(info.filePath()));
                name = info.fileName();
            } else if (!m.captured(3).isEmpty() && info.isFile()) {
                QFile tsv(info.filePath());
                if (!tsv.open(QIODevice::ReadOnly))
                    throw std::runtime_error("cannot read " + info.filePath().toStdString());
                const QList<publisher::Item> maps =
                    publisher::readMapList(QString::fromUtf8(tsv.readAll()));
                if (parser.isSet(picturesOpt))
                    for (const publisher::Item& map : maps)
                        if (!QFileInfo(
                                 QDir(parser.value(picturesOpt)).filePath(map.paragraphs.value(0)))
                                 .isFile())
                            throw std::runtime_error("no picture for the map " +
                                                     map.title.toStdString());
                bytes = publisher::mapsFile(maps);
                name = info.completeBaseName();
            } else {
                continue;
            }
            name += QStringLiteral(".txt");
            write(site.filePath(name), bytes);
            if (key)
                write(site.filePath(name + QStringLiteral(".minisig")),
                      signData(*key, bytes, "file:" + name.toUtf8()));
            ++files;
        }
        write(site.filePath(QStringLiteral("puxar/Buscas.asp")),
              publisher::addressPage(parser.value(chatOpt)));
        std::printf("tovelo-publish: %d update files in %s, %s\n", files,
                    qPrintable(site.absolutePath()), key ? "signed" : "not signed");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tovelo-publish: %s\n", e.what());
        return 1;
    }
    return 0;
}
