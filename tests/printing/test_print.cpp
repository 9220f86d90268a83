#include "PrintText.h"

#include <QtTest>

using namespace tovelo;

namespace {

struct CountingPort : PrinterPort {
    int opens = 0;
    QList<QByteArray> written;
    void open() override { ++opens; }
    void writeAndClose(const QByteArray& bytes) override { written << bytes; }
};

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
