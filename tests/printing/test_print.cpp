#include "PrintText.h"

#include <QSocketNotifier>
#include <QtTest>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovelo;

namespace {

using namespace std::chrono_literals;

struct CountingPort : PrinterPort {
    int opens = 0;
    QList<QByteArray> written;
    void open() override { ++opens; }
    void writeAndClose(const QByteArray& bytes) override { written << bytes; }
};

// A print queue of the test's own: a script named lp, first on PATH while it lives.
class FakeQueue {
public:
    explicit FakeQueue(const QByteArray& script) : path_(qgetenv("PATH")) {
        QFile lp(dir.filePath("lp"));
        if (!lp.open(QIODevice::WriteOnly)) qFatal("cannot write the fake lp");
        lp.write("#!/bin/sh\ncd \"$(dirname \"$0\")\"\n" + script + "\n");
        lp.close();
        lp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", dir.path().toLocal8Bit() + ":" + path_);
    }
    ~FakeQueue() { qputenv("PATH", path_); }
    QByteArray read(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }
    QTemporaryDir dir;

private:
    QByteArray path_;
};

// The printer found where the program looks, with the devices given and a short patience.
void usePrinterAt(const QStringList& devices, std::chrono::milliseconds patience = 2s) {
    PrinterPlaces places;
    places.devices = devices;
    places.patience = patience;
    setPrinterPort(systemPrinterPort(places));
}

// What the print said went wrong, or "" when it went through.
QString printFailure(const QString& heading, const QString& body) {
    try {
        PrintText(heading, body);
    } catch (const PrintError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

QString makeFifo(const QTemporaryDir& dir) {
    const QString path = dir.filePath("lp0");
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
}

QString longBody() {
    QString body;
    for (int i = 0; body.size() < 200000; ++i)
        body += QStringLiteral("Linha %1 do texto, com acentuação.\n").arg(i);
    return body;
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setPrinterPort(nullptr); }

    void layout() {
        const QByteArray m = "\r\n" + QByteArray(11, ' '); // then the ten-blank margin
        const QByteArray end = "\r\n\f\r\n";
        QCOMPARE(printLayout("", "corpo"), "\r\n" + m + "corpo" + end); // empty heading
        QCOMPARE(printLayout("Rute", ""), "\r\nRute" + m + end);        // empty body
        // The margin comes before the first paragraph only; bare line feeds become CR LF.
        QCOMPARE(printLayout("T", "um\r\n\r\ndois"), "\r\nT" + m + "um\r\n\r\ndois" + end);
        QCOMPARE(printLayout("T", "um\n\ndois\n"), "\r\nT" + m + "um\r\n\r\ndois\r\n" + end);
        // Accents are one byte each.
        QCOMPARE(printLayout("Abraão é", "ação"), "\r\nAbra\xE3o \xE9" + m + "a\xE7\xE3o" + end);
    }

    // A failed open is reported in Portuguese and leaves printing usable.
    void printsThroughAFilePort() {
        QTemporaryDir dir;
        setPrinterPort(filePrinterPort(dir.filePath("sem-pasta/lpt1")));
        QString error;
        try {
            PrintText("T", "corpo");
        } catch (const PrintError& e) {
            error = QString::fromUtf8(e.what());
        }
        QVERIFY2(error.startsWith("Não foi possível abrir a impressora"), qPrintable(error));
        setPrinterPort(filePrinterPort(dir.filePath("lpt1")));
        PrintText("Abraão", "Primeiro.");
        QFile out(dir.filePath("lpt1"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), printLayout("Abraão", "Primeiro."));
    }

    // With no printer device the text goes to the system's queue in raw mode, whole.
    void printsThroughTheQueueInRawMode() {
        FakeQueue queue("printf '%s\\n' \"$@\" > args; cat > job");
        usePrinterAt({"/nao/existe/lp0"});
        QCOMPARE(printFailure("Rute", "Corpo do texto."), QString());
        QCOMPARE(queue.read("args"), QByteArray("-o\nraw\n"));
        QCOMPARE(queue.read("job"), printLayout("Rute", "Corpo do texto."));
    }

    // Every way the queue can fail says what happened; none leaves a colon with nothing after
    // it. A queue that hangs is stopped after the patience, and the windows paint meanwhile.
    void queueFailuresSayWhatHappened_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("said");
        QTest::newRow("refused with a reason")
            << QByteArray("cat > /dev/null; echo 'lp: Error - no default destination' >&2; "
                          "exit 1")
            << "A fila de impressão recusou o texto.\n\nDetalhe: lp: Error - no default "
               "destination";
        QTest::newRow("refused silently")
            << QByteArray("cat > /dev/null; exit 3")
            << "A fila de impressão recusou o texto.\n\nDetalhe: o comando LP terminou com o "
               "código 3.";
        QTest::newRow("killed") << QByteArray("kill -9 $$")
                                << "A fila de impressão parou antes de aceitar o texto.";
        QTest::newRow("hangs") << QByteArray("echo $$ > pid; exec sleep 60")
                               << "A fila de impressão não respondeu; a impressão foi cancelada.";
    }
    void queueFailuresSayWhatHappened() {
        QFETCH(QByteArray, script);
        QFETCH(QString, said);
        FakeQueue queue(script);
        usePrinterAt({}, 500ms);
        bool painted = false;
        QTimer::singleShot(100ms, [&] { painted = true; });
        QElapsedTimer clock;
        clock.start();
        const QString failure = printFailure("T", "corpo");
        QCOMPARE(failure, said.replace("LP", queue.dir.filePath("lp")));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
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
        const QString fifo = makeFifo(dir);
        QVERIFY(!fifo.isEmpty());
        const QString body = longBody();
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        QByteArray got;
        auto drain = [&] {
            char buffer[65536];
            for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
                got.append(buffer, n);
        };
        {
            QSocketNotifier readable(reader, QSocketNotifier::Read);
            connect(&readable, &QSocketNotifier::activated, this, drain);
            usePrinterAt({"/nao/existe/lp0", fifo});
            QCOMPARE(printFailure("Título", body), QString());
        }
        drain();
        QCOMPARE(got, printLayout("Título", body));

        // The same device, never read again: it takes what fits and then nothing.
        usePrinterAt({fifo}, 300ms);
        QCOMPARE(printFailure("Título", body),
                 QString("A impressora não respondeu; a impressão foi interrompida."));
        ::close(reader);

        if (QFile::exists("/dev/full")) {
            usePrinterAt({"/dev/full"});
            const QString full = printFailure("T", "corpo");
            QVERIFY2(full.startsWith("A impressora não aceitou o texto; a impressão foi "
                                     "interrompida.\n\nDetalhe: "),
                     qPrintable(full));
        }

        // A device nobody listens on does not count, nor does a queue that is not installed.
        FakeQueue noQueue("exit 0");
        QFile::remove(noQueue.dir.filePath("lp"));
        qputenv("PATH", noQueue.dir.path().toLocal8Bit());
        usePrinterAt({"/nao/existe/lp0", fifo});
        QCOMPARE(printFailure("T", "corpo"),
                 QString("Não foi possível imprimir: nenhuma impressora foi encontrada (nem na "
                         "porta da impressora, nem na fila de impressão do sistema)."));
    }

    void aPrintAskedForDuringAPrintNeverOpensThePortTwice() {
        auto* port = new CountingPort;
        setPrinterPort(std::unique_ptr<PrinterPort>(port));
        bool nested = false;
        QTimer::singleShot(0, [&] {
            nested = true;
            PrintText("segundo", "segundo");
        });
        PrintText("primeiro", "primeiro");
        QVERIFY(nested);
        QCOMPARE(port->opens, 1);
        QCOMPARE(port->written, QList<QByteArray>{printLayout("primeiro", "primeiro")});
        PrintText("terceiro", ""); // once it is over, the next print goes through
        QCOMPARE(port->opens, 2);
    }
};

QTEST_MAIN(TestPrint)
#include "test_print.moc"
