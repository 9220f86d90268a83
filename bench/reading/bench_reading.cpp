// Times the reading window on the real content, from a reference typed (Enter) or the next
// chapter asked for until the window has painted the chapter. Prints medians and the slowest
// run; run it with QT_QPA_PLATFORM=offscreen.
#include "AppCore.h"
#include "FrmLeitura.h"
#include "TextSize.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace tovelo;

namespace {

constexpr int kRuns = 41;

// Median and slowest of the runs, in milliseconds; `prepare` is not timed.
std::pair<double, double> timed(const std::function<void()>& prepare,
                                const std::function<void()>& step) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        QElapsedTimer t;
        t.start();
        step();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

void print(const char* what, std::pair<double, double> t) {
    std::printf("  %-44s %6.2f ms  (slowest %6.2f ms)\n", what, t.first, t.second);
}

} // namespace

int main(int argc, char* argv[]) {
    // Settings of its own: the user's text size and last passage stay as they are.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication app(argc, argv);
    setProgramFolder(argc > 1 ? QString::fromLocal8Bit(argv[1])
                              : QStringLiteral(TOVELO_PROGRAM_DIR));
    setMessageSink([](const QString&) {});

    std::printf("reading window, %dx%d, until painted (medians of %d runs):\n", 1000, 700, kRuns);
    FrmLeitura* window = nullptr;
    print("open the window (books, last passage)", timed([&] { delete window; },
                                                         [&] {
                                                             window = new FrmLeitura;
                                                             window->resize(1000, 700);
                                                             window->load();
                                                             window->show();
                                                             window->repaint();
                                                         }));
    FrmLeitura& w = *window;
    const auto go = [&](const char* reference) {
        return [&w, reference] {
            w.reference->setText(QString::fromUtf8(reference));
            emit w.reference->returnPressed();
            w.repaint();
        };
    };
    const auto nothing = [] {};
    for (qreal size : {0.0, 40.0}) {
        while (size > 0 && chosenTextSize() < size)
            changeTextSize(1);
        std::printf(" text at %s:\n", size > 0 ? "40 pt" : "its usual size");
        print("Sl 119 (176 verses)", timed(nothing, go("Sl 119")));
        print("Sl 117 (2 verses, the shortest chapter)", timed(nothing, go("Sl 117")));
        print("Jo 3:16-18 (36 verses, 3 marked)", timed(nothing, go("Jo 3:16-18")));
        print("next chapter, Sl 118 -> Sl 119", timed(go("Sl 118"), [&] {
                  w.nextButton->click();
                  w.repaint();
              }));
        print("next chapter, Ml 4 -> Mt 1", timed(go("Ml 4"), [&] {
                  w.nextButton->click();
                  w.repaint();
              }));
        print("Sl 1-150 (2,461 verses)", timed(nothing, go("Sl 1-150")));
    }
    delete window;
    return 0;
}
