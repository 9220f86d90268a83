#include "PrintText.h"

#include <QSocketNotifier>
#include <QtTest>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovelo;
using namespace std::chrono_literals;

namespace {

// A print queue of the test's own: a shell script run in its own folder.
struct FakeQueue {
    explicit FakeQueue(const QByteArray& script) {
        QFile lp(spooler());
        if (!lp.open(QIODevice::WriteOnly)) qFatal("cannot write the fake lp");
        lp.write("#!/bin/sh\ncd \"$(dirname \"$0\")\"\n" + script + "\n");
        lp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString spooler() const { return dir.filePath("lp"); }
    QByteArray read(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

// Prints through the system's port with the devices and queue given: what the print said went
// wrong, or "" when it went through.
QString printFailure(const QStringList& devices, const QString& spooler, const QString& body,
                     std::chrono::milliseconds patience = 2s) {
    setPrinterPort(systemPrinterPort({devices, spooler, patience}));
    try {
        PrintText("Título", body);
    } catch (const PrintError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setPrinterPort(nullptr); }

    // The margin comes before the first paragraph only; bare line feeds and lone carriage
    // returns become CR LF; accents are one byte each; every other control character of the
    // text becomes a blank, and a heading stays one line.
    void layout_data() {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("lines");
        const QByteArray m = "\r\n" + QByteArray(11, ' ');
        QTest::newRow("empty heading") << "" << "corpo" << "\r\n" + m + "corpo";
        QTest::newRow("empty body") << "Rute" << "" << "\r\nRute" + m;
        QTest::newRow("paragraphs") << "T" << "um\r\n\r\ndois" << "\r\nT" + m + "um\r\n\r\ndois";
        QTest::newRow("accents, bare breaks")
            << "Abraão" << "ação\n\ndois\ntrês\rquatro\n"
            << "\r\nAbra\xE3o" + m + "a\xE7\xE3o\r\n\r\ndois\r\ntr\xEAs\r\nquatro\r\n";
        QTest::newRow("control characters")
            << QString("A\x1b" "E\nB\r\nC\t") << QString("x\x1b[1my\x07z\fw\tv") + QChar(0) + "u" +
                   QChar(0x85) + "t\x7f" + "s"
            << "\r\nA E B C " + m + "x [1my z w v u t s";
    }
    void layout() {
        QFETCH(QString, heading);
        QFETCH(QString, body);
        QFETCH(QByteArray, lines);
        QCOMPARE(printLayout(heading, body), lines + "\r\n\f\r\n");
    }

    // With no printer device the text goes to the system's queue, "lp" on the PATH, in raw
    // mode, whole.
    void printsThroughTheQueueInRawMode() {
        FakeQueue queue("printf '%s\\n' \"$@\" > args; cat > job");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(queue.dir.path()) + ":" + path);
        const QString failure =
            printFailure({"/nao/existe/lp0"}, PrinterPlaces().spooler, "Corpo.");
        qputenv("PATH", path);
        QCOMPARE(failure, QString());
        QCOMPARE(queue.read("args"), QByteArray("-o\nraw\n"));
        QCOMPARE(queue.read("job"), printLayout("Título", "Corpo."));
    }

    // Every way the queue can fail says what happened, never with a colon and nothing after
    // it. A queue that hangs is stopped after the patience, and the windows paint meanwhile.
    void queueFailuresSayWhatHappened_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("said");
        const QString refused = "A fila de impressão recusou o texto.\n\nDetalhe: ";
        QTest::newRow("refused with a reason")
            << QByteArray("cat > /dev/null; echo 'lp: Error - no destination' >&2; exit 1")
            << refused + "lp: Error - no destination";
        QTest::newRow("refused silently") << QByteArray("cat > /dev/null; exit 3")
                                          << refused + "o comando LP terminou com o código 3.";
        QTest::newRow("killed") << QByteArray("kill -9 $$")
                                << "A fila de impressão parou antes de aceitar o texto.";
        QTest::newRow("hangs") << QByteArray("echo $$ > pid; exec sleep 60")
                               << "A fila de impressão não respondeu; a impressão foi cancelada.";
    }
    void queueFailuresSayWhatHappened() {
        QFETCH(QByteArray, script);
        QFETCH(QString, said);
        FakeQueue queue(script);
        bool painted = false;
        QTimer::singleShot(100ms, [&] { painted = true; });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(printFailure({}, queue.spooler(), "corpo", 500ms),
                 said.replace("LP", queue.spooler()));
        QCOMPARE_LT(clock.elapsed(), 3000);
        if (QTest::currentDataTag() == QByteArrayLiteral("hangs")) {
            QVERIFY(painted);
            const pid_t pid = queue.read("pid").trimmed().toInt();
            QVERIFY(pid > 0 && ::kill(pid, 0) != 0); // stopped, not left running
        }
    }

    // A device is written whole, in order, however slowly it takes the bytes; one that stops
    // taking them, or refuses them, ends the print with a message; with neither a device nor a
    // queue the print says there is no printer.
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
        const QString noQueue = dir.filePath("sem-lp");
        {
            QSocketNotifier readable(reader, QSocketNotifier::Read);
            connect(&readable, &QSocketNotifier::activated, this, drain);
            QCOMPARE(printFailure({"/nao/existe/lp0", fifo}, noQueue, body), QString());
        }
        drain();
        QCOMPARE(got, printLayout("Título", body));

        // The same device, never read again: it takes what fits and then nothing.
        QCOMPARE(printFailure({fifo}, noQueue, body, 300ms),
                 QString("A impressora não respondeu; a impressão foi interrompida."));
        ::close(reader);
        const QString full = printFailure({"/dev/full"}, noQueue, "corpo");
        QVERIFY2(full.startsWith("A impressora não aceitou o texto; a impressão foi "
                                 "interrompida.\n\nDetalhe: "),
                 qPrintable(full));

        // A device nobody listens on does not count, nor does a queue that is not installed.
        QCOMPARE(printFailure({"/nao/existe/lp0", fifo}, noQueue, "corpo"),
                 QString("Não foi possível imprimir: nenhuma impressora foi encontrada (nem na "
                         "porta da impressora, nem na fila de impressão do sistema)."));
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
};

QTEST_MAIN(TestPrint)
#include "test_print.moc"
