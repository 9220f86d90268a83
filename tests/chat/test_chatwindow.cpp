#include "AppCore.h"
#include "Cipher.h"
#include "FrmChat.h"
#include "LoopbackPublisher.h"
#include "Net.h"
#include "TestSupport.h"

#include <QProcess>
#include <QTcpSocket>
#include <QtTest>

#ifndef TOVELO_CHAT_SERVER
#define TOVELO_CHAT_SERVER ""
#endif
#define WAIT_EQ(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, 10000)

using namespace tovelo;
using test::waitUntil;

namespace {

// The publisher on loopback, serving the address page.
struct PageServer : test::LoopbackPublisher {
    explicit PageServer(const QByteArray& page) {
        put(QStringLiteral("/puxar/Buscas.asp?BuscaIP=OK"), page);
        setPublisherHost(host());
    }
};

// Starts the chat server on `port` (0: any free one); returns the port it listens on, 0 if none.
// Two connections from one address at most, and a wider pause between two messages to one
// client than the default, so that a busy test machine still reads each line on its own.
quint16 startServer(QProcess& server, quint16 port = 0) {
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(TOVELO_CHAT_SERVER, {"--listen", "127.0.0.1", "--port", QString::number(port),
                                      "--max-per-address", "2", "--gap-ms", "10"});
    QByteArray said;
    while (!said.contains('\n') && server.waitForReadyRead(10000))
        said += server.readAll();
    return said.contains("listening") ? said.trimmed().split(':').last().toUShort() : 0;
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
    void initTestCase() {
        setMessageSink([this](const QString& text) { messages << text; });
    }
    void init() { messages.clear(); }

    void conversationThroughTheChatServer() {
        if (QStringLiteral(TOVELO_CHAT_SERVER).isEmpty())
            QSKIP("the chat server is not part of this build");
        QProcess server;
        const quint16 port = startServer(server);
        QVERIFY(port);
        PageServer page("<html><body>Servidor IP127.0.0.1Escrita Final</body></html>");
        FrmChat w;
        w.chatPort = port;
        w.load();
        // A blank nickname is refused before anything is sent.
        w.txtName->setText(" \t ");
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(messages, {"Digite um apelido antes de clicar em Conectar."});
        QCOMPARE(w.sock->state(), QAbstractSocket::UnconnectedState);
        messages.clear();
        w.txtName->setText("Ana");
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        WAIT_EQ(w.windowTitle(), QString("Chat [Connected]"));
        WAIT_EQ(items(w.List), QStringList{"Ana"});

        // Another user, driven by hand through a raw socket; what it is sent stays unread.
        QTcpSocket bruno;
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
        QCOMPARE(w.txtChat->toPlainText(), "-=Bruno=-\nGraça e paz, irmã!\n-=Ana=-\nAmém, Bruno\n");
        QTRY_VERIFY(bruno.peek(1 << 16).endsWith(toCp1252("text|Ana|Amém, Bruno")));

        // Lines sent in a burst reach the window one by one, each a whole entry.
        QString expected = w.txtChat->toPlainText();
        for (int i = 0; i < 30; ++i) {
            bruno.write("text|linha " + QByteArray::number(i));
            bruno.flush();
            expected += "-=Bruno=-\nlinha " + QString::number(i) + '\n';
        }
        QVERIFY(waitUntil([&] { return w.txtChat->toPlainText() == expected; }));

        // A window the server turns away says why.
        FrmChat refused;
        refused.chatPort = port;
        refused.load();
        refused.txtName->setText("Caio");
        QTest::mouseClick(refused.Command2, Qt::LeftButton);
        WAIT_EQ(refused.txtChat->toPlainText(), "-=Servidor=-\nHá conexões demais a partir do seu "
                                                "endereço. Tente de novo mais tarde.\n");
        WAIT_EQ(refused.windowTitle(), QString("Chat [Disconnected]"));
        QCOMPARE(items(w.List), (QStringList{"Ana", "Bruno"}));

        // The server going away shows in the caption. A line typed then is shown and kept, and the
        // only message says why it did not leave. "Conectar" later logs in again.
        server.kill();
        server.waitForFinished();
        WAIT_EQ(w.windowTitle(), QString("Chat [Disconnected]"));
        w.txtOut->setText("Olá?");
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QVERIFY(w.txtChat->toPlainText().endsWith("linha 29\n-=Ana=-\nOlá?\n"));
        QCOMPARE(w.txtOut->text(), QString("Olá?"));
        QCOMPARE(messages, {"Não há conexão com o servidor de chat. Clique em Conectar."});
        QCOMPARE(startServer(server, port), port);
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        WAIT_EQ(items(w.List), QStringList{"Ana"});
        server.kill();
        server.waitForFinished();
    }

    void pageWithoutAddress() {
        PageServer page("<!DOCTYPE HTML><html><body>IP sem fim</body></html>");
        FrmChat w;
        w.load();
        QTest::mouseClick(w.Command2, Qt::LeftButton); // nowhere to connect: said again
        QCOMPARE(messages, QStringList(2, "O endereço do servidor de chat não foi encontrado."));
    }
};

QTEST_MAIN(TestChatWindow)
#include "test_chatwindow.moc"
