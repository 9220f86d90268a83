#include "AppCore.h"
#include "Cipher.h"
#include "FrmChat.h"
#include "Net.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#ifndef TOVELO_CHAT_SERVER
#define TOVELO_CHAT_SERVER ""
#endif
#define WAIT_EQ(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, 10000)

using namespace tovelo;

namespace {

// A publisher on loopback that answers every GET with the same page.
struct PageServer : QTcpServer {
    QStringList requests;
    explicit PageServer(const QByteArray& body) {
        listen(QHostAddress::LocalHost, 0);
        setPublisherHost(QStringLiteral("127.0.0.1:%1").arg(serverPort()));
        connect(this, &QTcpServer::newConnection, this, [this, body] {
            while (QTcpSocket* s = nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, s, [this, s, body] {
                    const QByteArray request = s->property("r").toByteArray() + s->readAll();
                    s->setProperty("r", request);
                    if (!request.contains("\r\n\r\n")) return;
                    requests << QString::fromLatin1(request.left(request.indexOf("\r\n")));
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                             QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
                             body);
                    s->disconnectFromHost();
                });
        });
    }
};

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool startServer(QProcess& server, quint16 port) {
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(TOVELO_CHAT_SERVER, {"--listen", "127.0.0.1", "--port", QString::number(port)});
    QByteArray said;
    return QTest::qWaitFor(
               [&] {
                   said += server.readAll();
                   return said.contains("listening") || server.state() == QProcess::NotRunning;
               },
               10000) &&
           said.contains("listening");
}

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
        if (QStringLiteral(TOVELO_CHAT_SERVER).isEmpty())
            QSKIP("the chat server is not part of this build");
        const quint16 port = freePort();
        QProcess server;
        QVERIFY(startServer(server, port));
        PageServer page("<html><body>Servidor IP127.0.0.1Escrita Final</body></html>");
        FrmChat w;
        w.chatPort = port;
        w.load();
        QCOMPARE(page.requests, QStringList{"GET /puxar/Buscas.asp?BuscaIP=OK HTTP/1.1"});
        QCOMPARE(w.windowTitle(), QString("Chat [Disconnected]"));

        w.txtName->setText("Ana");
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        WAIT_EQ(w.windowTitle(), QString("Chat [Connected]"));
        WAIT_EQ(items(w.List), QStringList{"Ana"});

        // Another user, driven by hand through a raw socket.
        QTcpSocket bruno;
        QString toBruno;
        connect(&bruno, &QTcpSocket::readyRead, [&] { toBruno += fromCp1252(bruno.readAll()); });
        bruno.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(bruno.waitForConnected(5000));
        bruno.write(toCp1252("name|Bruno"));
        WAIT_EQ(items(w.List), (QStringList{"Ana", "Bruno"}));
        bruno.write(toCp1252("text|Graça e paz, irmã!"));
        WAIT_EQ(w.txtChat->toPlainText(), QString("-=Bruno=-\nGraça e paz, irmã!\n"));

        // Enter sends: the entry shows at once, the box empties, the peer gets the line.
        w.txtOut->setText("Amém, Bruno");
        QTest::keyClick(w.txtOut, Qt::Key_Return);
        QCOMPARE(w.txtOut->text(), QString());
        const QString said = "-=Bruno=-\nGraça e paz, irmã!\n-=Ana=-\nAmém, Bruno\n";
        QCOMPARE(w.txtChat->toPlainText(), said);
        QTRY_VERIFY_WITH_TIMEOUT(toBruno.endsWith("text|Ana|Amém, Bruno"), 10000);

        // The server going away shows only in the caption; "Conectar" later logs in again.
        server.kill();
        server.waitForFinished();
        WAIT_EQ(w.windowTitle(), QString("Chat [Disconnected]"));
        QCOMPARE(w.txtChat->toPlainText(), said);
        QVERIFY(startServer(server, port));
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        WAIT_EQ(w.windowTitle(), QString("Chat [Connected]"));
        WAIT_EQ(items(w.List), QStringList{"Ana"});
        QCOMPARE(messages, QStringList());
        server.terminate();
        QVERIFY(server.waitForFinished(10000));
    }

    void pageWithoutAddress() {
        PageServer page("<!DOCTYPE HTML><html><body>IP sem fim</body></html>");
        FrmChat w;
        w.load();
        const QString kNoAddress = "O endereço do servidor de chat não foi encontrado.";
        QCOMPARE(messages, QStringList{kNoAddress});
        QTest::mouseClick(w.Command2, Qt::LeftButton); // nowhere to connect: said again
        QCOMPARE(messages, (QStringList{kNoAddress, kNoAddress}));
        QCOMPARE(w.sock->state(), QAbstractSocket::UnconnectedState);
    }

    void sendingWhileDisconnected() {
        FrmChat w;
        w.ServerIP = "127.0.0.1";
        w.txtName->setText("Ana");
        w.txtOut->setText("Olá?");
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        // The line is shown first; the message says why it did not leave and it stays typed.
        QCOMPARE(w.txtChat->toPlainText(), QString("-=Ana=-\nOlá?\n"));
        QCOMPARE(messages,
                 QStringList{"Não há conexão com o servidor de chat. Clique em Conectar."});
        QCOMPARE(w.txtOut->text(), QString("Olá?"));
    }
};

QTEST_MAIN(TestChatWindow)
#include "test_chatwindow.moc"
