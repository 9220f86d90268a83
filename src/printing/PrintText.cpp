#include "PrintText.h"

#include "Cipher.h"
#include "PrintPages.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tovelo {
namespace {

using std::chrono::milliseconds;

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

int openForWriting(const QString& path, bool create) {
    // Never waits: a printer that is not ready must not hold the window.
    const int flags = O_WRONLY | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT | O_TRUNC : 0);
    int fd;
    do {
        fd = ::open(QFile::encodeName(path).constData(), flags, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Lets the windows paint, but take no input, until one of the signals given fires or the time
// is up.
class Wait {
public:
    explicit Wait(milliseconds limit) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, &loop_, &QEventLoop::quit);
        timer_.start(limit);
    }
    template <class Sender, class Signal> void endOn(Sender* sender, Signal signal) {
        QObject::connect(sender, signal, &loop_, &QEventLoop::quit);
    }
    void run() { loop_.exec(QEventLoop::ExcludeUserInputEvents); }

private:
    QEventLoop loop_;
    QTimer timer_;
};

// A printer device (or a file), written without ever blocking: a printer that takes nothing
// for the whole patience ends the print.
class DevicePort : public PrinterPort {
public:
    DevicePort(QString path, int fd, milliseconds patience, bool create)
        : path_(std::move(path)), fd_(fd), patience_(patience), create_(create) {}
    ~DevicePort() override { closeDevice(); }

    void open() override {
        if (fd_ >= 0) return;
        fd_ = openForWriting(path_, create_);
        if (fd_ < 0)
            throw printFailure(QStringLiteral("Não foi possível abrir a impressora %1.").arg(path_),
                               systemError(errno));
    }

    void writeAndClose(const QByteArray& bytes) override {
        qsizetype done = 0;
        int error = 0;
        QDeadlineTimer quiet(patience_);
        std::unique_ptr<QSocketNotifier> writable;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
                quiet.setRemainingTime(patience_);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                error = errno;
                break;
            }
            if (quiet.hasExpired()) break;
            if (!writable)
                writable = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
            writable->setEnabled(true);
            Wait wait(milliseconds(quiet.remainingTime()));
            wait.endOn(writable.get(), &QSocketNotifier::activated);
            wait.run();
            writable->setEnabled(false);
        }
        writable.reset();
        closeDevice();
        if (error)
            throw printFailure(
                QStringLiteral("A impressora não aceitou o texto; a impressão foi interrompida."),
                systemError(error));
        if (done < bytes.size())
            throw printFailure(
                QStringLiteral("A impressora não respondeu; a impressão foi interrompida."));
    }

private:
    void closeDevice() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    QString path_;
    int fd_;
    milliseconds patience_;
    bool create_;
};

// Shared so that a port replaced while a print waits in processEvents stays alive until that
// print has closed it.
std::shared_ptr<PrinterPort>& chosenPort() {
    static std::shared_ptr<PrinterPort> port;
    return port;
}

PrinterPlaces& places() {
    static PrinterPlaces p;
    return p;
}

bool printing = false;

} // namespace

PrintError printFailure(const QString& what, const QString& detail) {
    const QString text = detail.isEmpty() ? what : what + QStringLiteral("\n\nDetalhe: ") + detail;
    return PrintError(text.toStdString());
}

QString printableText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            out += QLatin1Char('\n');
            if (text.mid(i + 1, 1) == QLatin1String("\n")) ++i;
        } else if (c == QLatin1Char('\n')) {
            out += c;
        } else {
            out += c.category() == QChar::Other_Control ? QChar(u' ') : c;
        }
    }
    return out;
}

QString printableHeading(const QString& heading) {
    return printableText(heading).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QByteArray printLayout(const QString& heading, const QString& body) {
    // The printer needs CR LF or its lines would not return to the left edge.
    const QString lines = printableText(body).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const QString text = QStringLiteral("\r\n") + printableHeading(heading) +
                         QStringLiteral("\r\n") + " " + QString(10, ' ') + lines +
                         QStringLiteral("\r\n\f\r\n");
    return toCp1252(text);
}

std::unique_ptr<PrinterPort> linePrinterPort(const PrinterPlaces& places) {
    for (const QString& device : places.devices) {
        // The device stays open for the print: closing a probe could already end a job.
        const int fd = openForWriting(device, false);
        if (fd >= 0) return std::make_unique<DevicePort>(device, fd, places.patience, false);
    }
    return nullptr;
}

std::unique_ptr<PrinterPort> filePrinterPort(const QString& path) {
    return std::make_unique<DevicePort>(path, -1, PrinterPlaces().patience, true);
}

void setPrinterPort(std::unique_ptr<PrinterPort> port) {
    chosenPort() = std::move(port);
}

void setPrinterPlaces(const PrinterPlaces& p) {
    places() = p;
}

void PrintText(const QString& heading, const QString& body) {
    if (printing) return;
    printing = true;
    struct Reset {
        ~Reset() { printing = false; }
    } reset;

    std::shared_ptr<PrinterPort> port = chosenPort();
    if (!port) port = linePrinterPort(places());
    if (!port) {
        printAsPages(heading, body);
        return;
    }
    port->open();
    QCoreApplication::processEvents();
    port->writeAndClose(printLayout(heading, body));
}

} // namespace tovelo
