#include "AppCore.h"
#include "PrintPages.h"
#include "PrintText.h"
#include "TestSupport.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSocketNotifier>
#include <QtTest>
#include <cups/cups.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovelo;
using namespace std::chrono_literals;

namespace {

// A title on the first line, an empty line, then paragraphs separated by empty lines (and by
// "---" between a character's parts): the body as the window shows it.
std::pair<QString, QString> authored(const QString& file) {
    QFile f(QStringLiteral(TOVELO_AUTHORED "/") + file);
    if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(file));
    const QString text = QString::fromUtf8(f.readAll()).trimmed();
    return {text.section('\n', 0, 0), text.section('\n', 2).remove("---\n\n")};
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        qWarning() << program << args << p.readAllStandardError();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Prints through the line printer devices given, with the patience given: what the print said
// went wrong, or "" when it went through.
QString failureOf(const QStringList& devices, const QString& body,
                  std::chrono::milliseconds patience = 2s) {
    setPrinterPlaces({devices, patience});
    try {
        PrintText("Título", body);
    } catch (const PrintError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

// Answers the print dialog as it opens, with `answer`.
void onTheDialog(const std::function<void(QPrintDialog*)>& answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(dialog);
    });
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qputenv("HOME", QFile::encodeName(home.path()));
        setMessageSink([this](const QString& m) { messages << m; });
        setPrintNotice([this](const QString& m) { messages << m; });
    }
    void cleanup() {
        setPrinterPort(nullptr);
        setPrinterPlaces({{}});
        setPrintDialog(nullptr);
        messages.clear();
    }

    // The margin comes before the first paragraph only; bare line feeds and lone carriage
    // returns become CR LF; accents are one byte each; every other control character of the
    // text becomes a blank, and a heading stays one line.
    void layout_data() {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("lines");
        const QByteArray m = "\r\n" + QByteArray(11, ' ');
        QTest::newRow("empty heading") << ""
                                       << "corpo"
                                       << "\r\n" + m + "corpo";
        QTest::newRow("empty body") << "Rute"
                                    << ""
                                    << "\r\nRute" + m;
        QTest::newRow("paragraphs") << "T"
                                    << "um\r\n\r\ndois"
                                    << "\r\nT" + m + "um\r\n\r\ndois";
        QTest::newRow("accents, bare breaks")
            << "Abraão"
            << "ação\n\ndois\ntrês\rquatro\n"
            << "\r\nAbra\xE3o" + m + "a\xE7\xE3o\r\n\r\ndois\r\ntr\xEAs\r\nquatro\r\n";
        QTest::newRow("control characters")
            << QString("A\x1b") + "E\nB\r\nC\t"
            << QString("x\x1b[1my\x07z\fw\tv") + QChar(0) + "u" + QChar(0x85) + "t\x7f" + "s"
            << "\r\nA E B C " + m + "x [1my z w v u t s";
    }
    void layout() {
        QFETCH(QString, heading);
        QFETCH(QString, body);
        QFETCH(QByteArray, lines);
        QCOMPARE(printLayout(heading, body), lines + "\r\n\f\r\n");
    }

    // With no printer at all a message says so, and the system's dialog offers a PDF file in the
    // user's folder named after the heading; "Visualizar impressão" shows the pages, and the
    // preview's own print button prints them there. Read back as text: the heading in bold, then
    // every word of the body in order and whole, the page number at the foot of each page and no
    // blank page after the last; margins of about 2 cm, the body's first line set in.
    void withoutAPrinterThePagesGoToAPdf_data() {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("severalPages");
        const auto [character, life] = authored("personagens/a1-03-abraao.txt");
        const auto [study, text] = authored("estudos/e1-15-justificacao-fe.txt");
        QTest::newRow("character") << character << life << false;
        QTest::newRow("study, three times over")
            << study + " / 3" << text + "\n\n" + text + "\n\n" + text << true;
    }
    void withoutAPrinterThePagesGoToAPdf() {
        QFETCH(QString, heading);
        QFETCH(QString, body);
        QFETCH(bool, severalPages);
        cupsSetServer(QFile::encodeName(home.filePath("sem-cups")));
        QString pdf;
        int previewPages = 0;
        onTheDialog([&](QPrintDialog* dialog) {
            pdf = dialog->printer()->outputFileName();
            QTimer::singleShot(0, [&] {
                auto* view = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
                QVERIFY(view);
                previewPages = view->findChild<QPrintPreviewWidget*>()->pageCount();
                for (QAction* action : view->findChildren<QAction*>())
                    if (action->text() == "Print") action->trigger();
            });
            auto* preview = dialog->findChild<QPushButton*>("preview");
            QCOMPARE(preview->text(), "Visualizar impressão");
            preview->click();
        });
        PrintText(heading, body);
        cupsSetServer(nullptr);
        QCOMPARE(messages, QStringList{"Nenhuma impressora está instalada. Na janela de impressão, "
                                       "o texto ainda pode ser guardado num arquivo PDF."});
        QCOMPARE(pdf, home.filePath(QString(heading).replace('/', '-') + ".pdf"));

        const int pages = run("pdfinfo", {pdf}).section("Pages:", 1).section('\n', 0, 0).toInt();
        QCOMPARE(previewPages, pages);
        QCOMPARE(pages > 1, severalPages);
        QString words;
        for (int page = 1; page <= pages; ++page) {
            const QString n = QString::number(page);
            QString text = run("pdftotext", {"-f", n, "-l", n, pdf, "-"}).trimmed();
            QVERIFY2(text.endsWith("\n" + n), qPrintable(text.right(80)));
            words += text.chopped(n.size()) + " ";
        }
        QCOMPARE(words.simplified(), (heading + " " + body).simplified());
        QVERIFY(run("pdffonts", {pdf}).contains("Bold"));
        // Where the heading's first word starts, and the body's, 1.27 cm further in.
        const QString box = run("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
        const auto cm = [&](int word, const char* edge) {
            return box.section(edge, word + 1, word + 1).section('"', 1, 1).toDouble() / 72 * 2.54;
        };
        const int bodyWord = heading.count(' ') + 1;
        QVERIFY2(cm(0, "xMin=") > 1.9 && cm(0, "xMin=") < 2.7 && cm(0, "yMin=") > 1.9 &&
                     cm(0, "yMin=") < 2.9 &&
                     qAbs(cm(bodyWord, "xMin=") - cm(0, "xMin=") - 1.27) < 0.1,
                 qPrintable(box.left(600)));

        setPrintDialog([&](QPrinter& printer, const PagePainter&) {
            printer.setOutputFileName(home.filePath("sem-pasta/texto.pdf"));
            return true;
        });
        QCOMPARE(failureOf({}, "corpo"),
                 "Não foi possível gravar o arquivo " + home.filePath("sem-pasta/texto.pdf") + ".");
    }

    // On the scheduler of with-cupsd.sh, the dialog accepted as it opens on the default queue: a
    // readable page arrives, heading and accents whole, and nothing is said.
    void aQueuePrintsReadablePages() {
        if (qEnvironmentVariableIsEmpty("TOVELO_PDF_DIR")) QSKIP("no CUPS scheduler (needs root)");
        QString queue;
        onTheDialog([&](QPrintDialog* dialog) {
            queue = dialog->printer()->printerName();
            dialog->accept();
        });
        const auto [character, life] = authored("personagens/a1-03-abraao.txt");
        PrintText(character, life);
        QCOMPARE(queue, QPrinterInfo::defaultPrinterName());
        // cups-pdf writes its file before the job counts as completed.
        const QDir pdfs(qEnvironmentVariable("TOVELO_PDF_DIR"), "*.pdf");
        QTRY_VERIFY_WITH_TIMEOUT(run("lpstat", {"-o"}).isEmpty() && pdfs.count() == 1, 30000);
        const QString text = run("pdftotext", {pdfs.filePath(pdfs.entryList()[0]), "-"});
        QVERIFY2(text.simplified().startsWith(character + " " + life.simplified().left(80)),
                 qPrintable(text.left(200)));
        QTest::qWait(500); // the program's last look at the job
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    }

    // A queue that refuses jobs says so at once; one that is stopped, or whose filter fails, as
    // soon as the job meets it: each in a message with the queue's own reason. The commands act
    // on the queue $Q.
    void queueFailuresAreReported_data() {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("restart");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("reason");
        const QString q = QPrinterInfo::defaultPrinterName();
        QTest::newRow("refused") << "cupsreject -r 'Fila em manutenção' $Q"
                                 << "cupsaccept $Q"
                                 << "A fila de impressão " + q + " recusou o texto."
                                 << "Fila em manutenção";
        QTest::newRow("stopped") << "cupsdisable -r 'Sem papel' $Q"
                                 << "cupsenable $Q"
                                 << "A impressora " + q +
                                        " está parada; o texto espera na fila "
                                        "até que ela volte a funcionar."
                                 << "Sem papel";
        QTest::newRow("filter fails") << "chmod 755 $TOVELO_CUPS_TEMP"
                                      << "chmod 1777 $TOVELO_CUPS_TEMP; cupsenable $Q"
                                      << "A fila de impressão " + q + " não imprimiu o texto."
                                      << "Filter failed";
    }
    void queueFailuresAreReported() {
        if (qEnvironmentVariableIsEmpty("TOVELO_PDF_DIR")) QSKIP("no CUPS scheduler (needs root)");
        QFETCH(QString, stop);
        QFETCH(QString, restart);
        QFETCH(QString, said);
        QFETCH(QString, reason);
        qputenv("Q", QPrinterInfo::defaultPrinterName().toUtf8());
        run("sh", {"-c", stop});
        setPrintDialog([](QPrinter&, const PagePainter&) { return true; });
        guarded([] { PrintText("Rute", "Texto de Rute."); });
        const bool reported = test::waitUntil([&] { return !messages.isEmpty(); }, 20000);
        run("sh", {"-c", "cancel -a $Q; " + restart});
        QVERIFY(reported);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(said + "\n\nDetalhe: ") && messages[0].contains(reason),
                 qPrintable(messages[0]));
    }

    // A device is written whole, in order, however slowly it takes the bytes; one that stops
    // taking them, or refuses them, ends the print with a message. A device nobody listens on
    // does not count: the print goes out as pages.
    void deviceFailuresSayWhatHappened() {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("lp0");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QString body;
        while (body.size() < 200000)
            body += QStringLiteral("Linha %1 do texto, com acentuação.\n").arg(body.size());
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        QByteArray got;
        const auto drain = [&] {
            char buffer[65536];
            for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
                got.append(buffer, n);
        };
        {
            QSocketNotifier readable(reader, QSocketNotifier::Read);
            connect(&readable, &QSocketNotifier::activated, this, drain);
            QCOMPARE(failureOf({"/nao/existe/lp0", fifo}, body), QString());
        }
        drain();
        QCOMPARE(got, printLayout("Título", body));

        // The same device, never read again: it takes what fits and then nothing.
        QCOMPARE(failureOf({fifo}, body, 300ms),
                 QString("A impressora não respondeu; a impressão foi interrompida."));
        ::close(reader);
        const QString full = failureOf({"/dev/full"}, "corpo");
        QVERIFY2(full.startsWith("A impressora não aceitou o texto; a impressão foi "
                                 "interrompida.\n\nDetalhe: "),
                 qPrintable(full));

        bool asPages = false;
        setPrintDialog([&](QPrinter&, const PagePainter&) { return !(asPages = true); });
        QCOMPARE(failureOf({"/nao/existe/lp0", fifo}, "corpo"), QString());
        QVERIFY(asPages);
    }

    void aPrintAskedForDuringAPrintNeverOpensThePortTwice() {
        struct CountingPort : PrinterPort {
            int opens = 0;
            QList<QByteArray> written;
            void open() override { ++opens; }
            void writeAndClose(const QByteArray& bytes) override { written << bytes; }
        };
        auto* port = new CountingPort;
        setPrinterPort(std::unique_ptr<PrinterPort>(port));
        bool asked = false;
        QTimer::singleShot(0, [&] {
            asked = true;
            PrintText("segundo", "segundo");
        });
        PrintText("primeiro", "primeiro");
        QVERIFY(asked);
        QCOMPARE(port->written, QList<QByteArray>{printLayout("primeiro", "primeiro")});
        PrintText("terceiro", ""); // once it is over, the next print goes through
        QCOMPARE(port->opens, 2);
    }

private:
    QTemporaryDir home;
    QStringList messages;
};

QTEST_MAIN(TestPrint)
#include "test_print.moc"
