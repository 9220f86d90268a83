// Times the keyword search and the chapter reader on the real content, next to grep over a plain
// dump of the same verses. Prints medians; run it with QT_QPA_PLATFORM=offscreen.
#include "AppCore.h"
#include "FrmLivros.h"
#include "FrmLivros2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace tovelo;

namespace {

constexpr int kRuns = 41;

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double medianMs(int runs, const std::function<void()>& step) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        step();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

void choose(QComboBox* c, const QString& text) {
    const int i = c->findText(text);
    c->setCurrentIndex(i);
    emit c->activated(i);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    setProgramFolder(argc > 1 ? QString::fromLocal8Bit(argv[1])
                              : QStringLiteral(TOVELO_PROGRAM_DIR));
    setMessageSink([](const QString&) {});

    QTemporaryDir dir;
    const QString dump = dir.filePath(QStringLiteral("versiculos.txt"));
    {
        ContentDb db;
        QSqlQuery q = db.run(QStringLiteral("SELECT Texto FROM Versiculos"));
        QFile out(dump);
        out.open(QIODevice::WriteOnly);
        while (q.next())
            out.write(q.value(0).toString().toUtf8() + '\n');
    }

    std::printf("keyword search, click to filled list, vs grep -c -i -F (medians of %d runs, "
                "taken in turns):\n",
                kRuns);
    FrmLivros2 search;
    for (const char* word : {"amor", "coração", "Senhor", "d'este", "xyzq"}) {
        const QString w = QString::fromUtf8(word);
        search.Text2->setText(w);
        std::vector<double> ours, grep;
        for (int i = 0; i < kRuns; ++i) {
            ours.push_back(medianMs(1, [&] { search.Command2->click(); }));
            grep.push_back(medianMs(1, [&] {
                QProcess p;
                p.start(QStringLiteral("grep"), {QStringLiteral("-c"), QStringLiteral("-i"),
                                                 QStringLiteral("-F"), w, dump});
                p.waitForFinished();
            }));
        }
        const double o = median(ours), g = median(grep);
        std::printf("  %-8s %8.2f ms  grep %8.2f ms  ratio %.2f  (%d lines listed)\n", word, o, g,
                    o / g, w == QStringLiteral("xyzq") ? 0 : int(search.hits().size()));
    }

    FrmLivros reader;
    reader.load();
    std::printf("chapter reader (median of %d):\n", kRuns);
    std::printf("  book list (ANTIGO TESTAMENTO)   %6.2f ms\n", medianMs(kRuns, [&] {
                    choose(reader.Combo1, QStringLiteral("ANTIGO TESTAMENTO"));
                }));
    std::printf("  chapter list (Salmos)           %6.2f ms\n",
                medianMs(kRuns, [&] { choose(reader.Combo2, QStringLiteral("Salmos")); }));
    choose(reader.Combo3, QStringLiteral("119"));
    std::printf("  verse lists (Salmos 119)        %6.2f ms\n",
                medianMs(kRuns, [&] { choose(reader.Combo3, QStringLiteral("119")); }));
    choose(reader.Combo4, QStringLiteral("1"));
    std::printf("  passage (Salmos 119:1-176)      %6.2f ms\n",
                medianMs(kRuns, [&] { choose(reader.Combo5, QStringLiteral("176")); }));
    return 0;
}
