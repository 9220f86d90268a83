#include "AppCore.h"
#include "ChatProtocol.h"
#include "ChatServerProcess.h"
#include "Cipher.h"
#include "FrmChat.h"
#include "LoopbackPublisher.h"
#include "Net.h"
#include "TestSupport.h"

#include <QTcpSocket>
#include <QtTest>

#define WAIT_EQ(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, 10000)

using namespace tovelo;

namespace {

// The publisher on loopback, serving the address page.
struct PageServer : test::LoopbackPublisher {
    explicit PageServer(const QByteArray& page) {
        put(QStringLiteral("/puxar/Buscas.asp?BuscaIP=OK"), page);
        setPublisherUrl(url());
    }
};

// An arrival as read: "[Ana,Bruno]" for a user list, "Ana: oi" for a text, "-" when ignored.
QString read(const QString& arrival) {
    const ChatMessage m = parseChatMessage(arrival);
    if (m.kind == ChatMessage::Kind::UserList) return '[' + m.names.join(',') + ']';
    return m.kind == ChatMessage::Kind::Text ? m.nickname + ": " + m.text : "-";
}
QStringList items(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

} // namespace

class TestChat : public QObject {
    Q_OBJECT
    QStringList messages;

private slots:
    void initTestCase() {
        setMessageSink([this](const QString& text) { messages << text; });
    }
    void init() { messages.clear(); }

    void conversationThroughTheChatServer() {
        // Two connections from one address at most; a wider gap between two lines to one client
        // than the default, so that a busy machine still reads each line on its own.
        test::ChatServerProcess server(
            TOVELO_CHAT_SERVER,
            {"--listen", "127.0.0.1", "--max-per-address", "2", "--gap-ms", "10"});
        QVERIFY(server.port);
        PageServer page("<html><body>Servidor IP127.0.0.1Escrita Final</body></html>");
        FrmChat w;
        w.chatPort = server.port;
        w.load();
        QTRY_VERIFY(!w.ServerIP.isEmpty());
        w.txtName->setText(" \t ");
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        QCOMPARE(messages, {"Digite um apelido antes de clicar em Conectar."});
        QCOMPARE(w.sock->state(), QAbstractSocket::UnconnectedState);
        messages.clear();
        w.txtName->setText("Ana");
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        WAIT_EQ(w.windowTitle(), QString("Chat [Connected]"));

        // Another user, driven by hand through a raw socket.
        QTcpSocket bruno;
        bruno.connectToHost(QHostAddress::LocalHost, server.port);
        QVERIFY(bruno.waitForConnected(5000));
        bruno.write(toCp1252("name|Bruno"));
        WAIT_EQ(items(w.List), (QStringList{"Ana", "Bruno"}));
        // What the single-byte wire cannot carry, Ana's own window shows as Bruno gets it.
        w.txtOut->setText("Amém, Bruno 🙏 Ελληνικά");
        QTest::keyClick(w.txtOut, Qt::Key_Return);
        QCOMPARE(w.txtOut->text(), QString());
        QTRY_VERIFY(bruno.peek(1 << 16).endsWith(toCp1252("text|Ana|Amém, Bruno ?? ????????")));

        // Lines sent in a burst reach the window one by one, each a whole entry.
        QString expected = "-=Ana=-\nAmém, Bruno ?? ????????\n";
        for (int i = 0; i < 30; ++i) {
            bruno.write(toCp1252("text|Graça " + QString::number(i)));
            bruno.flush();
            expected += "-=Bruno=-\nGraça " + QString::number(i) + '\n';
        }
        QVERIFY(test::waitUntil([&] { return w.txtChat->toPlainText() == expected; }));

        // A window the server turns away says why.
        FrmChat refused;
        refused.chatPort = server.port;
        refused.load();
        QTRY_VERIFY(!refused.ServerIP.isEmpty());
        refused.txtName->setText("Caio");
        QTest::mouseClick(refused.Command2, Qt::LeftButton);
        WAIT_EQ(refused.txtChat->toPlainText(), "-=Servidor=-\nHá conexões demais a partir do seu "
                                                "endereço. Tente de novo mais tarde.\n");

        // The server gone: the caption says so, a line typed then stays in the box with one
        // message, and "Conectar" logs in again once the server is back.
        server.stop();
        WAIT_EQ(w.windowTitle(), QString("Chat [Disconnected]"));
        w.txtOut->setText("Olá?");
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QCOMPARE(w.txtOut->text(), QString("Olá?"));
        QCOMPARE(messages, {"Não há conexão com o servidor de chat. Clique em Conectar."});
        QVERIFY(server.start(server.port));
        QTest::mouseClick(w.Command2, Qt::LeftButton);
        WAIT_EQ(items(w.List), QStringList{"Ana"});
    }

    // Between the first "IP" and the first end marker after it; without "IP", from the second
    // character on.
    void addressCut() {
        QCOMPARE(chatServerAddress("x IP \r\n host\tEscrita Final y"), " \r\n host\t");
        QCOMPARE(chatServerAddress("Escrita Final IPumIPdoisEscrita FinalxEscrita Final"),
                 "umIPdois");
        QCOMPARE(chatServerAddress("abcEscrita Final"), "bc");
        for (const char* page : {"", "IP10.0.0.5", "Escrita Final IP1", "IP10.0.0.5escrita final"})
            QCOMPARE(chatServerAddress(page), std::nullopt);
    }

    void arrivalsInWindows1252() {
        QCOMPARE(read("cons|Ana|Bruno"), "[Ana]"); // the last field is not a name
        QCOMPARE(read("cons||Ana||"), "[,Ana,]");
        QCOMPARE(read("text|Ana|a|b"), "Ana: a");
        QCOMPARE(read("cons|Ana|text|Ana|oi"), "[Ana,text,Ana]"); // one arrival, one message
        for (const char* junk : {"text|Ana", "Cons|Ana|", " cons|Ana|", "", "name|Ana"})
            QCOMPARE(read(junk), "-");
        QCOMPARE(loginMessage("João"), QByteArray("name|Jo\xE3o"));
        QCOMPARE(read(fromCp1252("text|Jo\xE3o|" + textMessage("Graça").mid(5))), "João: Graça");
    }

    void blankNicknames() {
        for (const char* blank : {"", " \t\r\n", "\u00A0\u200B\u0007"})
            QVERIFY2(isBlankNickname(QString::fromUtf8(blank)), blank);
        for (const char* name : {" . ", "\tJo\u00E3o "})
            QVERIFY2(!isBlankNickname(QString::fromUtf8(name)), name);
    }

    void pageWithoutAddress() {
        PageServer page("<!DOCTYPE HTML><html><body>IP sem fim</body></html>");
        FrmChat w;
        w.load();
        QTRY_COMPARE(messages.size(), 1);
        QTest::mouseClick(w.Command2, Qt::LeftButton); // nowhere to connect: said again
        QCOMPARE(messages, QStringList(2, "O endereço do servidor de chat não foi encontrado."));
    }
};

QTEST_MAIN(TestChat)
#include "test_chat.moc"
