#include "PrintText.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace tovelo;

namespace {

// Counts what the printing routine asks of the device.
struct CountingPort : PrinterPort {
    int opens = 0;
    int open_now = 0;
    QList<QByteArray> written;
    void open() override {
        ++opens;
        ++open_now;
    }
    void writeAndClose(const QByteArray& bytes) override {
        written << bytes;
        --open_now;
    }
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

const QByteArray kMargin(11, ' '); // the blank and the ten-blank margin

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setPrinterPort(nullptr); }

    void layout_data() {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty heading keeps four lines")
            << "" << "corpo" << "\r\n\r\n" + kMargin + "corpo\r\n\f\r\n";
        QTest::newRow("empty body is the margin alone")
            << "Rute" << "" << "\r\nRute\r\n" + kMargin + "\r\n\f\r\n";
        QTest::newRow("margin before the first paragraph only")
            << "T" << "um\r\n\r\ndois\r\n\r\ntrês"
            << "\r\nT\r\n" + kMargin + "um\r\n\r\ndois\r\n\r\ntr\xEAs\r\n\f\r\n";
        QTest::newRow("bare line feeds of a text box become CR LF")
            << "T" << "um\n\ndois\n"
            << "\r\nT\r\n" + kMargin + "um\r\n\r\ndois\r\n\r\n\f\r\n";
        QTest::newRow("accents are one byte each")
            << "Abraão é" << "ação"
            << "\r\nAbra\xE3o \xE9\r\n" + kMargin + "a\xE7\xE3o\r\n\f\r\n";
    }
    void layout() {
        QFETCH(QString, heading);
        QFETCH(QString, body);
        QFETCH(QByteArray, bytes);
        QCOMPARE(printLayout(heading, body), bytes);
        QVERIFY(bytes.endsWith("\r\n\f\r\n"));
    }

    void printingToAFileWritesExactlyTheLayout() {
        QTemporaryDir dir;
        const QString path = dir.filePath("lpt1");
        setPrinterPort(filePrinterPort(path));
        PrintText("Abraão", "Primeiro.\r\nSegundo.");
        QCOMPARE(readAll(path), printLayout("Abraão", "Primeiro.\r\nSegundo."));
        // Each print opens the device anew: the file holds only the last one.
        PrintText("", "");
        QCOMPARE(readAll(path), QByteArray("\r\n\r\n" + kMargin + "\r\n\f\r\n"));
    }

    void aPortThatCannotBeOpenedFailsAndLeavesPrintingUsable() {
        QTemporaryDir dir;
        setPrinterPort(filePrinterPort(dir.filePath("sem-pasta/lpt1")));
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                PrintText("T", "corpo");
                QFAIL("no failure reported");
            } catch (const PrintError& e) {
                QVERIFY2(QString::fromUtf8(e.what()).startsWith("Não foi possível abrir a impressora"),
                         e.what());
            }
        }
        const QString good = dir.filePath("lpt1");
        setPrinterPort(filePrinterPort(good));
        PrintText("T", "corpo");
        QCOMPARE(readAll(good), printLayout("T", "corpo"));
    }

    void aPrintAskedForWhileOneIsUnderWayNeverOpensTheDeviceAgain() {
        auto owned = std::make_unique<CountingPort>();
        CountingPort* port = owned.get();
        setPrinterPort(std::move(owned));
        int nested = 0;
        int openDuringNested = -1;
        QTimer::singleShot(0, [&] {
            ++nested;
            openDuringNested = port->open_now;
            PrintText("segundo", "segundo");
        });
        PrintText("primeiro", "primeiro");
        QCOMPARE(nested, 1);
        QCOMPARE(openDuringNested, 1);
        QCOMPARE(port->opens, 1);
        QCOMPARE(port->written, QList<QByteArray>{printLayout("primeiro", "primeiro")});

        // Once it is over, the next print goes through.
        PrintText("terceiro", "");
        QCOMPARE(port->opens, 2);
        QCOMPARE(port->open_now, 0);
    }

    void replacingThePortDuringAPrintFinishesOnTheOldOne() {
        auto first = std::make_shared<int>(0);
        struct Port : CountingPort {
            std::shared_ptr<int> done;
            ~Port() override { *done = written.size() ? 1 : -1; }
        };
        auto owned = std::make_unique<Port>();
        owned->done = first;
        setPrinterPort(std::move(owned));
        QTimer::singleShot(0, [] { setPrinterPort(std::make_unique<CountingPort>()); });
        PrintText("T", "");
        QCOMPARE(*first, 1); // written, then released
    }
};

QTEST_MAIN(TestPrint)
#include "test_print.moc"
