// What tovelo-busca leaves to the program's own code (see main.cpp): the help, a typed text
// beyond plain Latin, an installed program's copy of the database, a search copy to bring up
// to date, and every failure with its message.
#include "ProgramFolder.h"
#include "Schema.h"
#include "Search.h"

#include <QCoreApplication>
#include <cstdio>
#include <optional>
#include <utility>

using namespace tovelo;

namespace {

enum Exit { Found = 0, NoneFound = 1, Failed = 2 };

// Names the database a search would read without preparing it: asking for help never makes
// the user's copy.
QString help() {
    const QString database =
        chooseFolders(QCoreApplication::applicationDirPath(), userDataFolder()).database;
    return QStringLiteral(
               "Uso: tovelo-busca [--db ARQUIVO] [-c] TEXTO...\n"
               "\n"
               "Busca TEXTO em todos os versículos, como a busca por palavra-chave do Tovelo:\n"
               "sem distinguir maiúsculas de minúsculas, com ou sem acentos, na grafia de hoje\n"
               "ou na antiga (\"Cristo\" acha \"Christo\", \"ele\" acha \"elle\"), também dentro\n"
               "de palavras maiores. As palavras de TEXTO são unidas por um espaço, como se\n"
               "digitadas na janela; TEXTO precisa de pelo menos 3 letras.\n"
               "\n"
               "Escreve, em UTF-8, uma linha por versículo achado, na ordem da janela (livros\n"
               "em ordem alfabética, depois capítulo e versículo):\n"
               "  Livro capítulo:versículo<TAB>texto\n"
               "\n"
               "Opções:\n"
               "  --db ARQUIVO  lê este banco de dados em vez do que o Tovelo lê\n"
               "                (%1)\n"
               "  -c            escreve só o número de versículos achados\n"
               "  --help        mostra esta ajuda\n"
               "  --            o que vem depois é TEXTO, mesmo que comece com \"-\"\n"
               "\n"
               "O banco de dados só é lido, nunca alterado.\n"
               "\n"
               "Saída: 0 quando achou versículos, 1 quando não achou nenhum, 2 em caso de erro\n"
               "(TEXTO curto demais, opção desconhecida, banco de dados ausente ou danificado),\n"
               "com a mensagem na saída de erros.\n")
        .arg(database);
}

void write(FILE* to, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

int fail(const QString& message) {
    write(stderr, QStringLiteral("tovelo-busca: %1\n").arg(message));
    return Failed;
}

struct Request {
    QString db;
    bool count = false;
    QString text;
};

// Reads the arguments; returns an exit status when the program must stop here.
std::optional<int> parse(const QStringList& args, Request& request) {
    QStringList words;
    bool options = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!options || !a.startsWith(QLatin1Char('-')) || a == QStringLiteral("-")) {
            words << a;
        } else if (a == QStringLiteral("--")) {
            options = false;
        } else if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            write(stdout, help());
            return Found;
        } else if (a == QStringLiteral("-c")) {
            request.count = true;
        } else if (a == QStringLiteral("--db")) {
            if (++i == args.size()) return fail(QStringLiteral("falta o ARQUIVO depois de --db"));
            request.db = args[i];
        } else if (a.startsWith(QStringLiteral("--db="))) {
            request.db = a.mid(5);
        } else {
            return fail(QStringLiteral("opção desconhecida: %1 (veja tovelo-busca --help)").arg(a));
        }
    }
    if (words.isEmpty())
        return fail(QStringLiteral("falta o TEXTO a buscar (veja tovelo-busca --help)"));
    request.text = words.join(QLatin1Char(' '));
    return std::nullopt;
}

int search(const Request& request) {
    if (!longEnoughToSearch(request.text))
        return fail(QStringLiteral("Digite pelo menos 3 letras para buscar."));
    const QString file = request.db.isEmpty() ? contentDatabase() : request.db;
    try {
        Db db(file, Db::Mode::ReadOnly);
        bringUpToDate(db);
        QList<ChapterHits> hits = searchVerses(db, request.text);
        const qsizetype verses = verseCount(hits);
        if (request.count) {
            std::printf("%lld\n", static_cast<long long>(verses));
        } else {
            readTexts(db, hits);
            QString out;
            for (const ChapterHits& chapter : hits) {
                const QString start = chapter.livro + QLatin1Char(' ') +
                                      QString::number(chapter.capitulo) + QLatin1Char(':');
                for (size_t i = 0; i < chapter.verses.size(); ++i)
                    out += start + QString::number(chapter.verses[i]) + QLatin1Char('\t') +
                           chapter.texts.value(qsizetype(i)) + QLatin1Char('\n');
                if (out.size() > 1 << 16) write(stdout, std::exchange(out, {}));
            }
            write(stdout, out);
        }
        return verses > 0 ? Found : NoneFound;
    } catch (const DbError& e) {
        const QString why = QString::fromStdString(e.what());
        return fail(why.contains(file) ? why : QStringLiteral("%1: %2").arg(file, why));
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) int toveloBusca(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    Request request;
    if (const std::optional<int> stop = parse(app.arguments().mid(1), request)) return *stop;
    const int status = search(request);
    return std::fflush(stdout) == 0 ? status : fail(QStringLiteral("não foi possível escrever"));
}
