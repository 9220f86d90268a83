#include "Database.h"
#include "Schema.h"
#include "Search.h"
#include "Spelling.h"
#include "TestSupport.h"
#include "TextKeys.h"
#include "TypedText.h"
#include "VerseIndex.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>
#include <random>

using namespace tovelo;

namespace {

// A word as in the middle of a sentence, where a capital tells a name.
QString today(const QString& word) {
    return foldSpelling(QStringLiteral("a ") + word).mid(2);
}

struct Verse {
    size_t chapter; // index into Bible::entries
    int vers;
    QString texto;
};

// Every verse of the scripture, and the search copy of each chapter as the search reads it.
struct Bible {
    std::vector<QByteArray> entries;
    std::vector<Verse> verses;

    explicit Bible(Db& db) {
        QHash<qint64, size_t> chapters;
        QSqlQuery copy = db.run(QStringLiteral("SELECT Id, Texto FROM Busca"));
        while (nextRow(copy)) {
            chapters.insert(copy.value(0).toLongLong(), entries.size());
            entries.push_back(copy.value(1).toString().toUtf8());
        }
        QSqlQuery q = db.run(QStringLiteral("SELECT Id, Vers, Texto FROM Versiculos"));
        while (nextRow(q))
            verses.push_back({chapters.value(q.value(0).toLongLong()), q.value(1).toInt(),
                              q.value(2).toString()});
    }

    bool finds(const Verse& v, const QString& typed) const {
        const std::vector<int> found =
            versesContaining(entries[v.chapter].toStdString(), foldPlain(typed).toStdString());
        return std::find(found.begin(), found.end(), v.vers) != found.end();
    }

    qsizetype count(const QString& folded) const {
        const std::string word = folded.toStdString();
        qsizetype n = 0;
        for (const QByteArray& e : entries)
            n += qsizetype(versesContaining(e.toStdString(), word).size());
        return n;
    }
};

struct Entry {
    QString old;
    QString today; // empty: as in 1911
    bool rulesDiffer;
};

std::vector<Entry> wordList() {
    QFile file(QStringLiteral(TOVELO_WORD_LIST));
    if (!file.open(QIODevice::ReadOnly)) qFatal("no word list");
    std::vector<Entry> list;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QStringList f = QString::fromUtf8(line).split(QLatin1Char('\t'));
        list.push_back({f.value(0), f.value(1), !f.value(3).isEmpty()});
    }
    return list;
}

} // namespace

class TestSpelling : public QObject {
    Q_OBJECT
private slots:
    // Every word of the 1911 text is spelled by the rules as the list writes it today, but the
    // ones the list marks; changing the rules changes the marks.
    void rulesSpellEveryWordAsTheList() {
        const std::vector<Entry> list = wordList();
        QVERIFY(list.size() > 25000);
        QStringList wrong;
        qsizetype marked = 0;
        for (const Entry& e : list) {
            const bool agree = today(e.old) == foldPlain(e.today.isEmpty() ? e.old : e.today);
            marked += e.rulesDiffer;
            if (agree == e.rulesDiffer)
                wrong << QStringLiteral("%1 -> %2 (%3)").arg(e.old, today(e.old), e.today);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 20).join(QStringLiteral("; "))));
        qInfo("%lld of %zu words spelled otherwise by the rules", marked, list.size());
    }

    // tovelo-busca folds plain Latin text on its own, as the program does, and counts its
    // characters as the window does.
    void plainTextFoldsAsTheProgramFolds() {
        for (char32_t c = 1; c < 0x180; ++c) {
            const QString text = QString::fromUcs4(&c, 1) + QStringLiteral("e\u0301Ç");
            int characters = 0;
            const std::optional<std::string> folded = foldTyped(text.toStdString(), characters);
            QVERIFY(folded);
            QVERIFY2(QString::fromStdString(*folded) == foldPlain(text), qPrintable(text));
            QCOMPARE(characters >= 3, longEnoughToSearch(text));
        }
        int characters = 0;
        for (const char* other : {"\u0394\u03b5\u03cc\u03c2", "a\U0001F600b", "\xff\xfe"})
            QVERIFY(!foldTyped(other, characters));
        QVERIFY(foldTyped("\u0301\u0301ab", characters));
        QCOMPARE(characters, 3);
    }

    // Text cut from a verse, 1 to 4 words cut anywhere, and every word of the text, find the
    // verse they come from.
    void literalTextAlwaysFindsItself() {
        Db db(test::realContent(), Db::Mode::ReadOnly);
        bringUpToDate(db);
        const Bible bible(db);
        std::mt19937 random(19);
        const QRegularExpression word(QStringLiteral("[^\\s]+"));
        for (int i = 0; i < 20000; ++i) {
            const Verse& v = bible.verses[random() % bible.verses.size()];
            QList<QRegularExpressionMatch> words;
            for (const QRegularExpressionMatch& m : word.globalMatch(v.texto))
                words << m;
            const qsizetype first = qsizetype(random() % words.size());
            const qsizetype last = std::min(words.size() - 1, first + qsizetype(random() % 4));
            const qsizetype from =
                words[first].capturedStart() + qsizetype(random() % words[first].capturedLength());
            const qsizetype least = first == last ? from + 1 : words[last].capturedStart() + 1;
            const qsizetype to = least + qsizetype(random() % (words[last].capturedEnd() - least + 1));
            const QString cut = v.texto.mid(from, to - from);
            QVERIFY2(bible.finds(v, cut), qPrintable(cut + QStringLiteral(" | ") + v.texto));
        }
        QSet<QString> seen;
        for (const Verse& v : bible.verses) {
            for (const QRegularExpressionMatch& m : word.globalMatch(v.texto)) {
                if (seen.contains(m.captured())) continue;
                seen.insert(m.captured());
                QVERIFY2(bible.finds(v, m.captured()), qPrintable(m.captured()));
            }
        }
        // The whole search, statement and all, on a few of them.
        for (int i = 0; i < 30; ++i) {
            const Verse& v = bible.verses[random() % bible.verses.size()];
            const QString cut = v.texto.mid(qsizetype(random() % 20), 9);
            bool found = false;
            for (const ChapterHits& c : searchVerses(db, cut))
                found = found || std::find(c.verses.begin(), c.verses.end(), v.vers) != c.verses.end();
            QVERIFY2(found, qPrintable(cut));
        }
    }

    // A word written alike then and now, that no rule writes inside another word, is found in
    // exactly the verses that hold it, as case and accents alone would find it.
    void sameSpellingFindsExactlyItsVerses() {
        QString written; // every word the rules change, as they write it
        std::vector<QString> same;
        for (const Entry& e : wordList()) {
            const QString t = today(e.old);
            if (t != foldPlain(e.old))
                written += t + QLatin1Char('\n');
            else if (e.today.isEmpty() && t.size() >= 3 && !t.contains(QLatin1Char('-')))
                same.push_back(t);
        }
        std::mt19937 random(19);
        std::shuffle(same.begin(), same.end(), random);
        Db db(test::realContent(), Db::Mode::ReadOnly);
        bringUpToDate(db);
        const Bible bible(db);
        std::vector<QString> plain;
        for (const Verse& v : bible.verses)
            plain.push_back(foldPlain(v.texto));
        int checked = 0;
        for (const QString& w : same) {
            if (written.contains(w)) continue;
            const qsizetype expected = std::count_if(plain.begin(), plain.end(),
                                                     [&](const QString& p) { return p.contains(w); });
            QVERIFY2(bible.count(w) == expected, qPrintable(w));
            if (++checked == 300) break;
        }
        QCOMPARE(checked, 300);
    }
};

QTEST_GUILESS_MAIN(TestSpelling)
#include "test_spelling.moc"
