#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>

class QAbstractButton;
class QPrinter;
class QWidget;

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

// What a line printer receives: an empty line, the heading, a blank and a margin of ten blanks
// before the body, a form feed; every line ends CR LF, one Windows-1252 byte per character.
QByteArray printLayout(const QString& heading, const QString& body);

// A line printer: opened, written and closed within one print.
class PrinterPort {
public:
    virtual ~PrinterPort() = default;
    // Opens the device; throws PrintError when it cannot.
    virtual void open() = 0;
    // Writes and closes; throws PrintError when the bytes did not all go through.
    virtual void writeAndClose(const QByteArray& bytes) = 0;
};

// Where a line printer is looked for, and how long it may keep silent before the print is given
// up. While a print waits, the windows keep painting but take no input.
struct PrinterPlaces {
    QStringList devices{QStringLiteral("/dev/lp0"), QStringLiteral("/dev/usb/lp0")};
    std::chrono::milliseconds patience{5000};
};

// The first printer device that opens for writing; null when none does.
std::unique_ptr<PrinterPort> linePrinterPort(const PrinterPlaces& places = {});
// A port that writes to a file, created when missing (tests, or printing to a file by hand).
std::unique_ptr<PrinterPort> filePrinterPort(const QString& path);

// Replaces the port every later print uses; null looks for a line printer again.
void setPrinterPort(std::unique_ptr<PrinterPort> port);
// Where later prints look for a line printer when no port is set.
void setPrinterPlaces(const PrinterPlaces& places);

// Paints the pages of the print on the printer given (the preview's or the real one).
using PagePainter = std::function<void(QPrinter*)>;
// Asks the person printing to confirm the printer and its settings; false when they cancel.
using PrintDialogStep = std::function<bool(QPrinter& printer, const PagePainter& paint)>;
// Replaces the print dialog (tests answer it without a modal loop); null restores the system's
// print dialog with its "Visualizar impressão" button.
void setPrintDialog(PrintDialogStep step);

// How printing tells the person what is not a failure of the print itself (no printer is
// installed, the queue's later verdict on a job): the program routes it to its message box.
// Until one is set, notices go to the log.
using PrintNotice = std::function<void(const QString& text)>;
void setPrintNotice(PrintNotice notice);
void printNotice(const QString& text);

// Ctrl+P inside the window presses its print button.
void addPrintShortcut(QWidget* window, QAbstractButton* button);

// Prints heading and body. A line printer receives printLayout()'s bytes, with waiting events
// let through once while its device is open. Any other printer receives pages: the print dialog
// opens on the system's default queue (or on a PDF file when no printer is installed, which a
// message says first); the queue's later verdict on the job is shown in a message. A print asked
// for while one is under way is ignored. Throws PrintError.
void PrintText(const QString& heading, const QString& body);

} // namespace tovelo
