#include "MDIForm1.h"

#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int quitPipe[2] = {-1, -1};

// A termination request (logout, shutdown, kill) closes the program the way its window would.
void requestQuit(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(quitPipe[1], &byte, 1);
}

void quitOnTermination(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, quitPipe) != 0) return;
    auto* notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        [[maybe_unused]] const auto n = ::read(quitPipe[0], &byte, 1);
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    std::signal(SIGTERM, requestQuit);
    std::signal(SIGINT, requestQuit);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovelo"));
    quitOnTermination(app);
    tovelo::MDIForm1 window;
    // Without a window manager "maximized" means nothing: start from the whole screen.
    window.setGeometry(window.screen()->availableGeometry());
    window.showMaximized();
    return QApplication::exec();
}
