#include "AppCore.h"
#include "MDIForm1.h"
#include "PrintText.h"

#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <string_view>
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

void printHelp(int argc, char* argv[]) {
    const QCoreApplication core(argc, argv);
    const tovelo::Folders where =
        tovelo::chooseFolders(QCoreApplication::applicationDirPath(), tovelo::userDataFolder());
    const QString place =
        where.portable
            ? QStringLiteral("  (portátil: o banco de dados, os mapas e as atualizações ficam "
                             "junto do programa)\n")
            : QStringLiteral("  (a sua cópia do banco de dados e as atualizações; o conteúdo "
                             "instalado fica em %1)\n")
                  .arg(where.shipped);
    const QString text =
        QStringLiteral("Uso: Tovelo [opção]\n\n"
                       "Leitura e estudo da Bíblia em português: os capítulos por livro, a busca "
                       "por palavra-chave,\nos personagens e os discípulos, os mapas históricos, "
                       "os estudos, as reflexões e o chat.\n\n"
                       "Opções:\n"
                       "  -h, --help      mostra esta ajuda\n"
                       "  -v, --version   mostra a versão\n\n"
                       "Pasta de dados: %1\n")
            .arg(where.data) +
        place;
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    // Answered before the window system is reached, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "-h" || option == "--help") {
            printHelp(argc, argv);
            return 0;
        }
        if (option == "-v" || option == "--version") {
            std::puts("Tovelo " TOVELO_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovelo"));
    QApplication::setApplicationVersion(QStringLiteral(TOVELO_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tovelo.Tovelo"));
    tovelo::usePortugueseQtTexts();
    // What is left once the window system took its own options.
    if (QCoreApplication::arguments().size() > 1) {
        std::fprintf(stderr,
                     "Tovelo: opção desconhecida: %s\nUse \"Tovelo --help\" para ver as "
                     "opções.\n",
                     qPrintable(QCoreApplication::arguments().at(1)));
        return 2;
    }
    quitOnTermination(app);
    tovelo::setPrintNotice(tovelo::showMessage);
    // The user's copy of the database is made (or brought up to date) before the window opens.
    const tovelo::Folders& where = tovelo::folders();
    if (!where.problem.isEmpty()) {
        std::fprintf(stderr, "Tovelo: %s\n", qPrintable(where.problem));
        tovelo::showMessage(where.problem);
    }
    tovelo::MDIForm1 window;
    // Without a window manager "maximized" means nothing: start from the whole screen.
    window.setGeometry(window.screen()->availableGeometry());
    window.showMaximized();
    return QApplication::exec();
}
