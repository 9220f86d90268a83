#include "PrintText.h"

#include "Cipher.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace tovelo {
namespace {

const char* const kNoPrinter =
    "Não foi possível imprimir: nenhuma impressora foi encontrada (porta LPT1 ou fila de "
    "impressão do sistema).";

class FilePort : public PrinterPort {
public:
    explicit FilePort(QString path) : file_(std::move(path)) {}
    void open() override {
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw PrintError(QStringLiteral("Não foi possível abrir a impressora %1: %2")
                                 .arg(file_.fileName(), file_.errorString())
                                 .toStdString());
    }
    void writeAndClose(const QByteArray& bytes) override {
        const bool ok = file_.write(bytes) == bytes.size();
        file_.close();
        if (!ok)
            throw PrintError("A impressora não aceitou o texto; a impressão foi interrompida.");
    }

private:
    QFile file_;
};

class SpoolerPort : public PrinterPort {
public:
    explicit SpoolerPort(QString lp) : lp_(std::move(lp)) {}
    void open() override {
        process_.start(lp_, {QStringLiteral("-o"), QStringLiteral("raw")});
        if (!process_.waitForStarted(5000)) throw PrintError(kNoPrinter);
    }
    void writeAndClose(const QByteArray& bytes) override {
        process_.write(bytes);
        process_.closeWriteChannel();
        if (!process_.waitForFinished(30000) || process_.exitStatus() != QProcess::NormalExit ||
            process_.exitCode() != 0)
            throw PrintError(
                QStringLiteral("A fila de impressão recusou o texto: %1")
                    .arg(QString::fromLocal8Bit(process_.readAllStandardError()).trimmed())
                    .toStdString());
    }

private:
    QString lp_;
    QProcess process_;
};

class NoPrinter : public PrinterPort {
public:
    void open() override { throw PrintError(kNoPrinter); }
    void writeAndClose(const QByteArray&) override {}
};

// Shared so that a port replaced while a print waits in processEvents stays alive until that
// print has closed it.
std::shared_ptr<PrinterPort>& chosenPort() {
    static std::shared_ptr<PrinterPort> port;
    return port;
}

bool printing = false;

} // namespace

QByteArray printLayout(const QString& heading, const QString& body) {
    // Text boxes hand their line breaks back as bare line feeds; the printer needs CR LF or its
    // lines would not return to the left edge.
    QString lines = body;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const QString text = QStringLiteral("\r\n") + heading + QStringLiteral("\r\n") + " " +
                         QString(10, ' ') + lines + QStringLiteral("\r\n\f\r\n");
    return toCp1252(text);
}

std::unique_ptr<PrinterPort> systemPrinterPort() {
    for (const char* device : {"/dev/lp0", "/dev/usb/lp0"}) {
        QFile probe(QString::fromLatin1(device));
        if (probe.exists() && probe.open(QIODevice::WriteOnly)) {
            probe.close();
            return filePrinterPort(QString::fromLatin1(device));
        }
    }
    const QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
    if (!lp.isEmpty()) return std::make_unique<SpoolerPort>(lp);
    return std::make_unique<NoPrinter>();
}

std::unique_ptr<PrinterPort> filePrinterPort(const QString& path) {
    return std::make_unique<FilePort>(path);
}

void setPrinterPort(std::unique_ptr<PrinterPort> port) {
    chosenPort() = std::move(port);
}

void PrintText(const QString& heading, const QString& body) {
    if (printing) return;
    printing = true;
    struct Reset {
        ~Reset() { printing = false; }
    } reset;

    std::shared_ptr<PrinterPort> port = chosenPort();
    if (!port) port = systemPrinterPort();
    port->open();
    QCoreApplication::processEvents();
    port->writeAndClose(printLayout(heading, body));
}

} // namespace tovelo
