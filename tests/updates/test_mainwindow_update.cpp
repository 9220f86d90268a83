#include "FrmSobre.h"
#include "LoopbackPublisher.h"
#include "MDIForm1.h"
#include "Net.h"
#include "TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenuBar>
#include <QStatusBar>
#include <QtTest>
#include <optional>
#include <qpa/qwindowsysteminterface.h>

using namespace tovelo;
using namespace tovelo::test;

class TestMainWindowUpdate : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setPublisherKey(keys.pub); }
    void init() {
        pub.emplace().signer = keys.secret;
        setPublisherUrl(pub->url());
    }
    void cleanup() { setPublisherUrl({}); }

    // Once per start: the file and its signature, the other two kinds, the file imported and
    // said in the status bar, the timer stopped; a missing database is said once and ends the check before any request.
    void timerRunsTheCheckOnceAndStops() {
        for (const bool missing : {false, true}) {
            ContentFixture f;
            pub->requests.clear();
            pub->put("/Estudos1.txt", updateFile({{"Novo", "00"}}));
            if (missing) QVERIFY(QFile::remove(f.database()));
            MDIForm1 window;
            QTRY_VERIFY(!window.Timer1->isActive());
            QTest::qWait(200);
            QCOMPARE(pub->requests.size(), missing ? 0 : 4);
            QCOMPARE(f.messages.size(), missing ? 1 : 0);
            QCOMPARE(window.statusBar()->currentMessage(),
                     missing ? "" : "Chegou com a atualização: 1 estudo.");
            if (!missing) QCOMPARE(f.scalar("SELECT count(*) FROM Atualizacoes"), QVariant(1));
        }
    }

    // A click on the menu, queued by the window system as a real one is, opens its window
    // while the first request still waits for the publisher.
    void menuAnswersWhileARequestWaits() {
        ContentFixture f;
        pub->hold = true;
        MDIForm1 window;
        window.show();
        bool openedDuringWait = false;
        QTimer::singleShot(200, &window, [&] {
            QCOMPARE(pub->requests.size(), 1);
            QMenuBar* bar = window.menuBar();
            const QPoint at = bar->mapTo(&window, bar->actionGeometry(window.Autor).center());
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                QWindowSystemInterface::handleMouseEvent<
                    QWindowSystemInterface::AsynchronousDelivery>(
                    window.windowHandle(), at, window.mapToGlobal(at),
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                    Qt::LeftButton, type);
        });
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, &window, [&] {
            if (!pub->hold || !window.findChild<FrmSobre*>()) return;
            openedDuringWait = true;
            pub->release();
        });
        look.start(20);
        QTimer::singleShot(5000, &window, [&] { pub->release(); });
        QTRY_VERIFY_WITH_TIMEOUT(!window.updateCheck.running() && !pub->hold, 10000);
        QVERIFY(openedDuringWait);
        QCOMPARE(pub->requests.size(), 3);
    }

    void closingTheWindowDuringTheWaitEndsTheProgramPromptly() {
        ContentFixture f;
        pub->hold = true;
        MDIForm1 window; // the full minute of the real program
        window.show();
        QTimer::singleShot(300, &window, &QWidget::close);
        QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(1); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE_LT(clock.elapsed(), 5000);
        QCOMPARE(pub->requests, QStringList{"/Estudos1.txt"});
        QCOMPARE(f.scalar("SELECT count(*) FROM Atualizacoes"), QVariant(0));
    }

private:
    QTemporaryDir keyFolder;
    const KeyPair keys = makeKeyPair(keyFolder.path());
    std::optional<LoopbackPublisher> pub;
};

QTEST_MAIN(TestMainWindowUpdate)
#include "test_mainwindow_update.moc"
