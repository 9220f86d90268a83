// Times the keyword search (in the window, and tovelo-busca as a whole process, counting and
// listing) for 30 texts and the chapter reader on the real content, next to grep over a plain
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
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace tovelo;

namespace {

constexpr int kRuns = 21;

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

    // Rare, common and long: words, names, phrases, a verse's own text.
    const char* const queries[] = {
        "xyzq", "Melquisedeque", "Getsêmani", "arcanjo", "exortação", "Esmirna", "Habacuque",
        "tribo", "Betel", "vazio", "Senhor", "ele", "que", "Deus", "Israel", "filhos", "terra",
        "coração", "amor", "Cristo", "filhos de Israel", "casa de Israel",
        "no princípio criou Deus", "em verdade vos digo", "o Senhor é o meu pastor", "d'este",
        "bem-aventurados", "ressuscitou dentre os mortos", "E disse Deus: Haja luz",
        "reino dos céus"};
    const QString busca = QStringLiteral(TOVELO_PROGRAM_DIR "/tovelo-busca");
    const QString output = dir.filePath(QStringLiteral("saida.txt"));
    FrmLivros2 search;
    std::printf("keyword search against grep -i -F over a plain dump of the verses, medians of %d "
                "runs taken in turns: the window (click to filled list) against grep -c run by "
                "the window's process, and the whole tovelo-busca process, counting (-c) and "
                "listing, against the whole grep process doing the same (wall time):\n",
                kRuns);
    std::printf("  %-30s %7s %7s %5s | %7s %7s %5s | %7s %7s %5s  %s\n", "text", "window", "grep",
                "ratio", "-c", "grep -c", "ratio", "list", "grep", "ratio", "verses");
    double worst[3] = {0, 0, 0};
    for (const char* query : queries) {
        const QString w = QString::fromUtf8(query);
        search.Text2->setText(w);
        std::vector<double> window, windowGrep, count, countGrep, list, listGrep;
        for (int i = 0; i < kRuns; ++i) {
            window.push_back(medianMs(1, [&] { search.Command2->click(); }));
            windowGrep.push_back(medianMs(1, [&] {
                QProcess p;
                p.start(QStringLiteral("grep"), {QStringLiteral("-c"), QStringLiteral("-i"),
                                                 QStringLiteral("-F"), w, dump});
                p.waitForFinished();
            }));
            count.push_back(runProcess({busca, QStringLiteral("-c"), QStringLiteral("--"), w},
                                       output).wall);
            countGrep.push_back(runProcess({QStringLiteral("grep"), QStringLiteral("-c"),
                                            QStringLiteral("-i"), QStringLiteral("-F"), w, dump},
                                           output).wall);
            list.push_back(runProcess({busca, QStringLiteral("--"), w}, output).wall);
            listGrep.push_back(runProcess({QStringLiteral("grep"), QStringLiteral("-i"),
                                           QStringLiteral("-F"), w, dump},
                                          output).wall);
        }
        const double r[3] = {median(window) / median(windowGrep), median(count) / median(countGrep),
                             median(list) / median(listGrep)};
        for (int k = 0; k < 3; ++k)
            worst[k] = std::max(worst[k], r[k]);
        std::printf("  %-30s %7.2f %7.2f %5.2f | %7.2f %7.2f %5.2f | %7.2f %7.2f %5.2f  %d\n",
                    query, median(window), median(windowGrep), r[0], median(count),
                    median(countGrep), r[1], median(list), median(listGrep), r[2],
                    int(search.hits().size()));
    }
    std::printf("  highest ratios: window %.2f, tovelo-busca -c %.2f, listing %.2f\n", worst[0],
                worst[1], worst[2]);
    const Cost nothing = runProcess({busca, QStringLiteral("--help")}, output);
    std::printf("  (tovelo-busca --help, which starts Qt: %.2f ms, CPU %.2f ms)\n", nothing.wall,
                nothing.cpu);

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
