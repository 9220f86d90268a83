#include "AppCore.h"
#include "Cipher.h"
#include "FrmChat.h"
#include "Net.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>

using namespace tovelo;

namespace {

const QString kNoAddress = QStringLiteral("O endereço do servidor de chat não foi encontrado.");
const QString kNotConnected =
    QStringLiteral("Não há conexão com o servidor de chat. Clique em Conectar.");

// A publisher on loopback that answers every GET with the same page.
class PageServer : public QObject {
public:
    explicit PageServer(QByteArray page) : body(std::move(page)) {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                connect(s, &QTcpSocket::readyRead, s, [this, s] { answer(s); });
            }
        });
    }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }

    QByteArray body;
    QStringList requests;

private:
    void answer(QTcpSocket* s) {
        QByteArray request = s->property("request").toByteArray() + s->readAll();
        s->setProperty("request", request);
        if (!request.contains("\r\n\r\n")) return;
        requests << QString::fromLatin1(request.left(request.indexOf("\r\n")));
        s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        s->disconnectFromHost();
    }

    QTcpServer server;
};

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Another user of the chat, driven by the test; every arrival is kept.
struct Peer {
    QTcpSocket socket;
    QStringList arrivals;

    bool join(quint16 port, const QString& nickname) {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket,
                         [this] { arrivals << fromCp1252(socket.readAll()); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(5000)) return false;
        socket.write(toCp1252("name|" + nickname));
        return true;
    }
};

QStringList items(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

} // namespace

class TestChatWindow : public QObject {
    Q_OBJECT

    QStringList messages;

    bool startServer(QProcess& server, quint16 port) {
#ifdef TOVELO_CHAT_SERVER
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start(QStringLiteral(TOVELO_CHAT_SERVER),
                     {"--listen", "127.0.0.1", "--port", QString::number(port)});
        QByteArray said;
        QDeadlineTimer deadline(10000);
        while (!said.contains("listening") && !deadline.hasExpired() &&
               server.state() != QProcess::NotRunning) {
            server.waitForReadyRead(200);
            said += server.readAll();
        }
        return said.contains("listening");
#else
        Q_UNUSED(server);
        Q_UNUSED(port);
        return false;
#endif
    }

private slots:
    void init() {
        messages.clear();
        setMessageSink([this](const QString& text) { messages << text; });
    }
    void cleanup() {
        setMessageSink(nullptr);
        setPublisherHost(QString());
    }

    void conversationThroughTheChatServer() {
#ifndef TOVELO_CHAT_SERVER
        QSKIP("the chat server is not part of this build");
#endif
        const quint16 port = freePort();
        QProcess server;
        QVERIFY(startServer(server, port));
        PageServer page("<html><body>Servidor IP127.0.0.1Escrita Final</body></html>");
        setPublisherHost(page.host());

        auto w = std::make_unique<FrmChat>();
        w->chatPort = port;
        QCOMPARE(w->windowTitle(), QString("Chat Tovelo Sagrada"));
        w->load();
        QCOMPARE(page.requests, QStringList{"GET /puxar/Buscas.asp?BuscaIP=OK HTTP/1.1"});
        QCOMPARE(w->windowTitle(), QString("Chat [Disconnected]"));
        QCOMPARE(w->ServerIP, QString("127.0.0.1"));
        QCOMPARE(messages, QStringList());

        // The prompt is an ordinary text: left alone it is the nickname.
        QCOMPARE(w->txtName->text(), QString("Digite Aqui o seu apelido e clique em Conectar"));
        w->txtName->setText("Ana");
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QString("Chat [Connected]"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(items(w->List), QStringList{"Ana"}, 10000);

        Peer bruno;
        QVERIFY(bruno.join(port, "Bruno"));
        QTRY_COMPARE_WITH_TIMEOUT(items(w->List), (QStringList{"Ana", "Bruno"}), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(bruno.arrivals.contains("cons|Ana|Bruno|"), 10000);

        bruno.socket.write(toCp1252("text|Graça e paz, irmã!"));
        QTRY_COMPARE_WITH_TIMEOUT(w->txtChat->toPlainText(),
                                  QString("-=Bruno=-\nGraça e paz, irmã!\n"), 10000);

        // Enter sends: the entry shows at once, the box empties, the peer gets the line.
        w->txtOut->setText("Amém, Bruno");
        QTest::keyClick(w->txtOut, Qt::Key_Return);
        QCOMPARE(w->txtOut->text(), QString());
        QCOMPARE(w->txtChat->toPlainText(),
                 QString("-=Bruno=-\nGraça e paz, irmã!\n-=Ana=-\nAmém, Bruno\n"));
        QVERIFY(w->txtChat->textCursor().atEnd());
        QTRY_VERIFY_WITH_TIMEOUT(bruno.arrivals.contains("text|Ana|Amém, Bruno"), 10000);

        // An empty message is shown and sent too.
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QVERIFY(w->txtChat->toPlainText().endsWith("-=Ana=-\n\n"));
        QTRY_VERIFY_WITH_TIMEOUT(bruno.arrivals.contains("text|Ana|"), 10000);

        // "Conectar" while connected drops the old connection quietly and logs in again.
        QSignalSpy captions(w.get(), &QWidget::windowTitleChanged);
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(w->windowTitle(), QString("Chat [Connected]"));
        QTRY_COMPARE_WITH_TIMEOUT(items(w->List), (QStringList{"Bruno", "Ana"}), 10000);
        for (const QList<QVariant>& c : captions)
            QCOMPARE(c.at(0).toString(), QString("Chat [Connected]"));

        // The server going away shows in the caption; what was said stays.
        const QString said = w->txtChat->toPlainText();
        server.kill();
        server.waitForFinished();
        QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QString("Chat [Disconnected]"), 10000);
        QCOMPARE(w->txtChat->toPlainText(), said);
        QCOMPARE(items(w->List), (QStringList{"Bruno", "Ana"}));
        QCOMPARE(messages, QStringList());

        QVERIFY(startServer(server, port));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QString("Chat [Connected]"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(items(w->List), QStringList{"Ana"}, 10000);

        // Closing the window ends its connection: the others see it leave.
        Peer carla;
        QVERIFY(carla.join(port, "Carla"));
        QTRY_VERIFY_WITH_TIMEOUT(carla.arrivals.contains("cons|Ana|Carla|"), 10000);
        w.reset();
        QTRY_VERIFY_WITH_TIMEOUT(carla.arrivals.contains("cons|Carla|"), 10000);
        QCOMPARE(messages, QStringList());

        server.terminate();
        QVERIFY(server.waitForFinished(10000));
    }

    void pageWithoutAddress() {
        PageServer page("<!DOCTYPE HTML><html><body>IP sem fim</body></html>");
        setPublisherHost(page.host());
        FrmChat w;
        w.load();
        QCOMPARE(page.requests.size(), 1);
        QCOMPARE(w.windowTitle(), QString("Chat [Disconnected]"));
        QCOMPARE(messages, QStringList{kNoAddress});
        QCOMPARE(w.ServerIP, QString());

        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(messages, (QStringList{kNoAddress, kNoAddress}));
        QCOMPARE(w.sock->state(), QAbstractSocket::UnconnectedState);
    }

    void publisherUnreachable() {
        setPublisherHost(QStringLiteral("127.0.0.1:%1").arg(freePort()));
        FrmChat w;
        w.load();
        QCOMPARE(w.windowTitle(), QString("Chat [Disconnected]"));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith("Não foi possível buscar o endereço do servidor de chat"),
                 qPrintable(messages[0]));
    }

    void sendingWhileDisconnected() {
        FrmChat w;
        w.ServerIP = "127.0.0.1";
        w.txtName->setText("Ana");
        w.txtOut->setText("Olá?");
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        // The line is shown first; the message says why it did not leave and it stays typed.
        QCOMPARE(w.txtChat->toPlainText(), QString("-=Ana=-\nOlá?\n"));
        QCOMPARE(messages, QStringList{kNotConnected});
        QCOMPARE(w.txtOut->text(), QString("Olá?"));

        // A connection that cannot be made changes nothing visible.
        w.chatPort = freePort();
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w.sock->state(), QAbstractSocket::UnconnectedState, 10000);
        QCOMPARE(w.windowTitle(), QString("Chat Tovelo Sagrada"));
        QCOMPARE(messages, QStringList{kNotConnected});
    }
};

QTEST_MAIN(TestChatWindow)
#include "test_chatwindow.moc"
