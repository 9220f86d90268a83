#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <stdexcept>

namespace tovelo {

class PrintError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text as it may reach a printer: line breaks (CR LF, LF or a lone CR) become "\n", and
// every other control character (ESC, NUL, BEL, a form feed, a tab, ...) becomes a blank, so
// stored text can never send the printer a command. A heading is one line: its breaks become
// blanks too.
QString printableText(const QString& text);
QString printableHeading(const QString& heading);

// What the printer receives: an empty line, the heading, a blank and a margin of ten blanks
// before the body, a form feed; every line ends CR LF, one Windows-1252 byte per character.
QByteArray printLayout(const QString& heading, const QString& body);

// The device "LPT1": opened, written and closed within one print.
class PrinterPort {
public:
    virtual ~PrinterPort() = default;
    // Opens the device; throws PrintError when it cannot.
    virtual void open() = 0;
    // Writes and closes; throws PrintError when the bytes did not all go through.
    virtual void writeAndClose(const QByteArray& bytes) = 0;
};

// Where the printer is looked for, and how long a printer or print queue may keep silent
// before the print is given up. While a print waits, the windows keep painting but take no
// input.
struct PrinterPlaces {
    QStringList devices{QStringLiteral("/dev/lp0"), QStringLiteral("/dev/usb/lp0")};
    QString spooler = QStringLiteral("lp"); // found on PATH, run as "lp -o raw"
    std::chrono::milliseconds patience{5000};
};

// The first printer device that opens for writing, else the spooler's raw queue, else a port
// that reports that there is no printer.
std::unique_ptr<PrinterPort> systemPrinterPort(const PrinterPlaces& places = {});
// A port that writes to a file, created when missing (tests, or printing to a file by hand).
std::unique_ptr<PrinterPort> filePrinterPort(const QString& path);

// Replaces the port every later print uses; null restores the system's.
void setPrinterPort(std::unique_ptr<PrinterPort> port);

// Prints heading and body on "LPT1". Lets waiting events run once while the device is open; a
// print asked for meanwhile is ignored, so the device is never opened twice. Throws PrintError.
void PrintText(const QString& heading, const QString& body);

} // namespace tovelo
