#include "LoopbackPublisher.h"
#include "MDIForm1.h"
#include "Net.h"
#include "TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

using namespace tovelo;
using namespace tovelo::test;

class TestMainWindowUpdate : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setPublisherHost(QString()); }

    void timerRunsTheCheckOnceAndStops() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        pub.put("/Estudos1.txt", updateFile({{"Novo", "00"}}));
        MDIForm1 window;
        QTRY_COMPARE(pub.requests.size(), 3);
        QTest::qWait(200);
        QCOMPARE(pub.requests.size(), 3);
        QVERIFY(!window.Timer1->isActive());
        QCOMPARE(f.scalar("SELECT count(*) FROM Atualizacoes"), QVariant(1));
        QVERIFY(f.messages.isEmpty());
    }

    void missingDatabaseIsReportedOnceAndEndsTheCheck() {
        ContentFixture f;
        LoopbackPublisher pub;
        setPublisherHost(pub.host());
        QVERIFY(QFile::remove(f.database()));
        MDIForm1 window;
        QTRY_VERIFY(!window.Timer1->isActive());
        QTest::qWait(200);
        QCOMPARE(f.messages.size(), 1);
        QCOMPARE(pub.requests, QStringList());
    }

    // Last: once the program has been asked to end, no request starts again in this process.
    void closingTheWindowDuringTheWaitEndsTheProgramPromptly() {
        ContentFixture f;
        LoopbackPublisher pub;
        pub.silent = true;
        setPublisherHost(pub.host());
        MDIForm1 window; // the full minute of the real program
        window.show();
        QTimer::singleShot(300, &window, &QWidget::close);
        QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(1); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(pub.requests, QStringList{"/Estudos1.txt"});
        QCOMPARE(f.scalar("SELECT count(*) FROM Atualizacoes"), QVariant(0));
    }
};

QTEST_MAIN(TestMainWindowUpdate)
#include "test_mainwindow_update.moc"
