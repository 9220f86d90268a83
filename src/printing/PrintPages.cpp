#include "PrintPages.h"

#include "PrintQueue.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

namespace tovelo {
namespace {

using namespace std::chrono_literals;

const QString kNoPrinter = QStringLiteral(
    "Nenhuma impressora está instalada. Na janela de impressão, o texto ainda pode ser guardado "
    "num arquivo PDF.");

PrintDialogStep& dialogStep() {
    static PrintDialogStep step;
    return step;
}

PrintNotice& noticeSink() {
    static PrintNotice sink;
    return sink;
}

// Where a PDF goes when there is no printer: the documents folder, named after the heading.
QString pdfFileFor(const QString& heading) {
    QString name = printableHeading(heading).simplified();
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('.'))) name = QStringLiteral("Tovelo");
    QDir folder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    if (!folder.exists()) folder = QDir::home();
    return folder.filePath(name + QStringLiteral(".pdf"));
}

// Follows a job the queue accepted until it is printed, or says what became of it. The queue
// decides after the print has returned, so the windows go on meanwhile.
class JobWatch : public QObject {
public:
    JobWatch(int job, QString queue) : QObject(qApp), job_(job), queue_(std::move(queue)) {
        connect(&timer_, &QTimer::timeout, this, &JobWatch::look);
        timer_.start(250ms);
        // A job still waiting after this is in the queue's hands, like any other job.
        QTimer::singleShot(2min, this, [this] { deleteLater(); });
    }

private:
    void look() {
        const JobState now = jobState(job_, queue_);
        QString what;
        switch (now.stage) {
        case JobState::Waiting:
            return;
        case JobState::Done:
            break;
        case JobState::Held:
            what = QStringLiteral("O texto ficou retido na fila de impressão %1 e não foi "
                                  "impresso.");
            break;
        case JobState::Stopped:
            what = QStringLiteral("A impressora %1 está parada; o texto espera na fila até que "
                                  "ela volte a funcionar.");
            break;
        case JobState::Failed:
            what = QStringLiteral("A fila de impressão %1 não imprimiu o texto.");
            break;
        }
        timer_.stop();
        deleteLater();
        if (!what.isEmpty())
            printNotice(QString::fromUtf8(printFailure(what.arg(queue_), now.reason).what()));
    }

    int job_;
    QString queue_;
    QTimer timer_;
};

} // namespace

std::unique_ptr<QTextDocument> pageDocument(const QString& heading, const QString& body,
                                            qreal dpi) {
    auto document = std::make_unique<QTextDocument>();
    QFont font(QStringLiteral("DejaVu Serif"), 11);
    font.setStyleHint(QFont::Serif);
    // No ligatures: "fi" joined into one sign reads back from a PDF queue as an unknown sign.
    font.setStyleStrategy(QFont::PreferNoShaping);
    document->setDefaultFont(font);
    QTextCursor cursor(document.get());

    QTextCharFormat headingText;
    headingText.setFontWeight(QFont::Bold);
    headingText.setFontPointSize(14);
    QTextBlockFormat headingBlock;
    headingBlock.setBottomMargin(16); // 12 points: Qt takes block margins at 96 dpi
    cursor.setBlockFormat(headingBlock);
    cursor.insertText(printableHeading(heading), headingText);

    // One block per line of the window: an empty line stays an empty line.
    const QStringList lines = printableText(body).split(QLatin1Char('\n'));
    QTextBlockFormat firstLine;
    firstLine.setTextIndent(dpi / 2); // 1.27 cm: Qt takes an indent in the printer's dots
    cursor.insertBlock(firstLine, QTextCharFormat());
    cursor.insertText(lines.first());
    for (qsizetype i = 1; i < lines.size(); ++i) {
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertText(lines[i]);
    }
    return document;
}

bool printPages(const QString& heading, const QString& body, QPrinter& printer) {
    pageDocument(heading, body, printer.logicalDpiY())->print(&printer);
    return printer.printerState() != QPrinter::Error;
}

bool systemPrintDialog(QPrinter& printer, const PagePainter& paint) {
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        QPushButton* preview = buttons->addButton(QStringLiteral("Visualizar impressão"),
                                                  QDialogButtonBox::ActionRole);
        preview->setObjectName(QStringLiteral("preview"));
        QObject::connect(preview, &QPushButton::clicked, &dialog, [&] {
            QPrintPreviewDialog view(&printer, &dialog);
            view.setWindowTitle(QStringLiteral("Visualizar impressão"));
            QObject::connect(&view, &QPrintPreviewDialog::paintRequested, &view, paint);
            // Its print button would open a second print dialog over this one: it confirms
            // this one instead.
            const QString print = QCoreApplication::translate("QPrintPreviewDialog", "Print");
            for (QAction* action : view.findChildren<QAction*>()) {
                if (action->text() != print) continue;
                action->disconnect(&view);
                QObject::connect(action, &QAction::triggered, &view, &QDialog::accept);
            }
            if (view.exec() == QDialog::Accepted) dialog.accept();
        });
    }
    return dialog.exec() == QDialog::Accepted;
}

void setPrintDialog(PrintDialogStep step) {
    dialogStep() = std::move(step);
}

void setPrintNotice(PrintNotice notice) {
    noticeSink() = std::move(notice);
}

void printNotice(const QString& text) {
    if (noticeSink())
        noticeSink()(text);
    else
        qWarning("%s", qUtf8Printable(text));
}

void addPrintShortcut(QWidget* window, QAbstractButton* button) {
    auto* shortcut = new QShortcut(QKeySequence::Print, window);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
}

void printAsPages(const QString& heading, const QString& body) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(printableHeading(heading).isEmpty() ? QStringLiteral("Tovelo")
                                                           : printableHeading(heading));
    printer.setCreator(QStringLiteral("Tovelo"));
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        printNotice(kNoPrinter);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfFileFor(heading));
    }

    const PagePainter paint = [&](QPrinter* p) { printPages(heading, body, *p); };
    const PrintDialogStep& step = dialogStep();
    if (!(step ? step(printer, paint) : systemPrintDialog(printer, paint))) return;

    if (printer.outputFormat() == QPrinter::PdfFormat) {
        if (!printPages(heading, body, printer))
            throw printFailure(QStringLiteral("Não foi possível gravar o arquivo %1.")
                                   .arg(QDir::toNativeSeparators(printer.outputFileName())));
        return;
    }
    const QString queue = printer.printerName();
    const int before = newestJob(queue);
    if (!printPages(heading, body, printer))
        throw printFailure(
            QStringLiteral("Não foi possível imprimir na impressora %1.").arg(queue));
    // Qt hands the pages to the queue as it finishes them and keeps the answer to itself.
    if (const QString refused = lastQueueError(); !refused.isEmpty()) {
        const QString said = queueMessage(queue);
        throw printFailure(QStringLiteral("A fila de impressão %1 recusou o texto.").arg(queue),
                           said.isEmpty() ? refused : refused + QStringLiteral(" (") + said + ')');
    }
    if (const int job = newestJob(queue); job > before) new JobWatch(job, queue);
}

} // namespace tovelo
