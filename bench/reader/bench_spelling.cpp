// How well today's spelling finds the 1911 text. For each word of a list (palavras.tsv, nomes.tsv)
// the verses a reader wants are those that hold the word (case and accents ignored) or one of
// its old spellings (case ignored; "^": at the start of a word). Prints, per word and for each
// list, how many of those the keyword search misses and how many it finds beyond them.
// Usage: bench_spelling [-v] [DATABASE [LIST...]]; -v also shows a few verses missed (-) and
// found beyond (+).
#include "Schema.h"
#include "Search.h"
#include "TextKeys.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <cstdio>

using namespace tovelo;

namespace {

struct Verse {
    qint64 key;    // chapter * 1000 + verse
    QString plain; // case and accents ignored
    QString lower; // case ignored
    QString text;
};

long long ll(qsizetype n) {
    return static_cast<long long>(n);
}

// Whether the text holds one of the old spellings.
bool holdsOld(const QString& lower, const QStringList& forms) {
    for (const QString& form : forms) {
        const bool anchored = form.startsWith(QLatin1Char('^'));
        const QString f = anchored ? form.mid(1) : form;
        for (qsizetype at = lower.indexOf(f); at >= 0; at = lower.indexOf(f, at + 1))
            if (!anchored || at == 0 || !lower[at - 1].isLetter()) return true;
    }
    return false;
}

void measure(Db& db, const std::vector<Verse>& verses, const QString& list, bool verbose) {
    QFile file(list);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(list));
        return;
    }
    QHash<qint64, const Verse*> byKey;
    for (const Verse& v : verses)
        byKey.insert(v.key, &v);
    std::printf("%s\n%-16s %7s %7s %7s %7s\n", qPrintable(list), "word", "wanted", "found",
                "missed", "extra");
    qsizetype words = 0, wanted = 0, missed = 0, extra = 0, oldOnly = 0, oldFound = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        const QString word = fields[0];
        const QString today = foldText(word);
        const QStringList old = fields.value(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QSet<qint64> want, onlyOld, got;
        for (const Verse& v : verses) {
            const bool modern = v.plain.contains(today);
            if (modern || holdsOld(v.lower, old)) want.insert(v.key);
            if (!modern && want.contains(v.key)) onlyOld.insert(v.key);
        }
        for (const ChapterHits& c : searchVerses(db, word))
            for (int vers : c.verses)
                got.insert(c.id * 1000 + vers);
        const QSet<qint64> miss = want - got, more = got - want;
        std::printf("%-16s %7lld %7lld %7lld %7lld\n", qPrintable(word), ll(want.size()),
                    ll(got.size()), ll(miss.size()), ll(more.size()));
        if (verbose) {
            for (const auto& [keys, sign] : {std::pair{miss, '-'}, std::pair{more, '+'}}) {
                int shown = 0;
                for (qint64 key : keys)
                    if (shown++ < 3) std::printf("    %c %s\n", sign, qPrintable(byKey[key]->text));
            }
        }
        ++words;
        wanted += want.size();
        missed += miss.size();
        extra += more.size();
        oldOnly += onlyOld.size();
        oldFound += (onlyOld & got).size();
    }
    std::printf("%lld words: %lld verses wanted, %lld missed (recall %.1f%%), %lld found beyond "
                "them (%.1f%% of those found); %lld verses hold only an old spelling, %lld of "
                "them found\n\n",
                ll(words), ll(wanted), ll(missed), 100.0 * double(wanted - missed) / double(wanted),
                ll(extra), 100.0 * double(extra) / double(wanted - missed + extra), ll(oldOnly),
                ll(oldFound));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool verbose = args.removeAll(QStringLiteral("-v")) > 0;
    const QString database =
        args.isEmpty() ? QStringLiteral(TOVELO_PROGRAM_DIR "/Tovelo.mdb") : args.takeFirst();
    if (args.isEmpty())
        args = QStringList{QStringLiteral(TOVELO_LISTS "/palavras.tsv"),
                           QStringLiteral(TOVELO_LISTS "/nomes.tsv")};
    try {
        Db db(database, Db::Mode::ReadOnly);
        bringUpToDate(db);
        std::vector<Verse> verses;
        QSqlQuery q = db.run(QStringLiteral("SELECT Id, Vers, Texto FROM Versiculos"));
        while (nextRow(q)) {
            const QString text = q.value(2).toString();
            verses.push_back({q.value(0).toLongLong() * 1000 + q.value(1).toInt(), foldText(text),
                              text.toLower(), text});
        }
        for (const QString& list : args)
            measure(db, verses, list, verbose);
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
