// Times the keyword search (in the window, and tovelo-busca as a whole process) and the chapter
// reader on the real content, next to grep over a plain dump of the same verses. Prints medians;
// run it with QT_QPA_PLATFORM=offscreen.
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
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

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

struct Cost {
    double wall; // ms
    double cpu;  // ms, user and system
};

// Runs a program to its end, its output written to `output`: the wall time and the CPU time it
// took. Not /dev/null: grep stops at the first match when it sees its output goes there, and
// would be timed doing less than a count.
Cost runProcess(const QStringList& args, const QString& output) {
    std::vector<QByteArray> bytes;
    for (const QString& a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const QByteArray outputPath = output.toLocal8Bit();
    posix_spawn_file_actions_addopen(&files, 1, outputPath.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    rusage usage{};
    int status = 0;
    if (posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ) == 0)
        wait4(pid, &status, 0, &usage);
    const double wall = double(t.nsecsElapsed()) / 1e6;
    posix_spawn_file_actions_destroy(&files);
    auto ms = [](const timeval& tv) { return double(tv.tv_sec) * 1e3 + double(tv.tv_usec) / 1e3; };
    return {wall, ms(usage.ru_utime) + ms(usage.ru_stime)};
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
    for (const char* word : {"amor", "coração", "Senhor", "Cristo", "ele", "d'este", "xyzq"}) {
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

    const QString busca = QStringLiteral(TOVELO_PROGRAM_DIR "/tovelo-busca");
    const QString output = dir.filePath(QStringLiteral("saida.txt"));
    std::printf("tovelo-busca -c WORD vs grep -c -i -F WORD, whole processes (medians of %d "
                "runs, taken in turns; wall, then CPU):\n",
                kRuns);
    for (const char* word : {"amor", "Senhor", "Cristo", "xyzq"}) {
        const QString w = QString::fromUtf8(word);
        std::vector<double> oursWall, oursCpu, grepWall, grepCpu;
        for (int i = 0; i < kRuns; ++i) {
            const Cost o = runProcess({busca, QStringLiteral("-c"), w}, output);
            const Cost g = runProcess({QStringLiteral("grep"), QStringLiteral("-c"),
                                       QStringLiteral("-i"), QStringLiteral("-F"), w, dump},
                                      output);
            oursWall.push_back(o.wall);
            oursCpu.push_back(o.cpu);
            grepWall.push_back(g.wall);
            grepCpu.push_back(g.cpu);
        }
        const double ow = median(oursWall), gw = median(grepWall), oc = median(oursCpu),
                     gc = median(grepCpu);
        std::printf("  %-8s %7.2f ms  grep %7.2f ms  ratio %.2f   CPU %6.2f ms  grep %6.2f ms  "
                    "ratio %.2f\n",
                    word, ow, gw, ow / gw, oc, gc, oc / gc);
    }
    const Cost nothing = runProcess({busca, QStringLiteral("--help")}, output);
    std::printf("  (tovelo-busca --help alone: %.2f ms, CPU %.2f ms)\n", nothing.wall, nothing.cpu);

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
