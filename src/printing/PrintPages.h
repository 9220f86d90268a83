#pragma once

#include "PrintText.h"

#include <QString>
#include <QTextDocument>
#include <memory>

class QPrinter;

namespace tovelo {

// The print as pages for a printer of `dpi` dots per inch: the heading in bold, then the body
// with its first line set in, each line break and empty line as the window shows them. Words
// wrap at the page's width.
std::unique_ptr<QTextDocument> pageDocument(const QString& heading, const QString& body, qreal dpi);

// Lays heading and body out on the printer's pages with margins of about 2 cm and the page
// number at the foot of each. False when the printer could not be started (a PDF file that
// cannot be written, a print device that refuses to open).
bool printPages(const QString& heading, const QString& body, QPrinter& printer);

// The system's print dialog on the printer, with a "Visualizar impressão" button that shows
// the pages as painted; its own print button confirms the dialog.
bool systemPrintDialog(QPrinter& printer, const PagePainter& paint);

// PrintText's way for every printer but a line printer.
void printAsPages(const QString& heading, const QString& body);

// A failure to show: what went wrong, then the detail the system gave, when it gave one.
PrintError printFailure(const QString& what, const QString& detail = {});

} // namespace tovelo
