#include "ChatProtocol.h"
#include "Cipher.h"

#include <QtTest>

using namespace tovelo;

class TestChatProtocol : public QObject {
    Q_OBJECT
private slots:
    void addressCut_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("address");
        QTest::newRow("plain") << "<html>IP10.0.0.5Escrita Final</html>"
                               << "10.0.0.5";
        QTest::newRow("blanks and breaks kept") << "x IP \r\n chat.local\tEscrita Final y"
                                                << " \r\n chat.local\t";
        QTest::newRow("first IP wins") << "IPumIPdoisEscrita Final"
                                       << "umIPdois";
        QTest::newRow("end marker before IP skipped") << "Escrita Final IPhostEscrita Final"
                                                      << "host";
        QTest::newRow("first end marker after IP") << "IPaEscrita FinalbEscrita Final"
                                                   << "a";
        QTest::newRow("markers adjacent") << "IPEscrita Final"
                                          << "";
        // No "IP": the search starts at the second character, so the first one is lost.
        QTest::newRow("no start marker") << "abcEscrita Final"
                                         << "bc";
        QTest::newRow("lower-case start marker ignored") << "ip1.2.3.4Escrita Final"
                                                         << "p1.2.3.4";
    }
    void addressCut() {
        QFETCH(QString, page);
        QFETCH(QString, address);
        const std::optional<QString> cut = chatServerAddress(page);
        QVERIFY(cut.has_value());
        QCOMPARE(*cut, address);
    }

    void addressMissingEndMarker() {
        QCOMPARE(chatServerAddress(""), std::nullopt);
        QCOMPARE(chatServerAddress("IP10.0.0.5"), std::nullopt);
        QCOMPARE(chatServerAddress("Escrita Final IP10.0.0.5"), std::nullopt);
        QCOMPARE(chatServerAddress("IP10.0.0.5escrita final"), std::nullopt);
        QCOMPARE(chatServerAddress("<!DOCTYPE HTML><title>404 Not Found</title>"), std::nullopt);
    }

    void userList_data() {
        QTest::addColumn<QString>("arrival");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("each name with a bar") << "cons|Ana|Bruno|" << QStringList{"Ana", "Bruno"};
        QTest::newRow("last name without a bar") << "cons|Ana|Bruno" << QStringList{"Ana"};
        QTest::newRow("kind alone") << "cons" << QStringList{};
        QTest::newRow("kind and bar") << "cons|" << QStringList{};
        QTest::newRow("empty names kept") << "cons||Ana||" << QStringList{"", "Ana", ""};
        // Two messages joined in one arrival are read as one.
        QTest::newRow("joined with a text message")
            << "cons|Ana|text|Ana|oi" << QStringList{"Ana", "text", "Ana"};
    }
    void userList() {
        QFETCH(QString, arrival);
        QFETCH(QStringList, names);
        const ChatMessage m = parseChatMessage(arrival);
        QCOMPARE(m.kind, ChatMessage::Kind::UserList);
        QCOMPARE(m.names, names);
    }

    void textMessages() {
        ChatMessage m = parseChatMessage("text|Ana|Graça e paz");
        QCOMPARE(m.kind, ChatMessage::Kind::Text);
        QCOMPARE(m.nickname, QString("Ana"));
        QCOMPARE(m.text, QString("Graça e paz"));

        m = parseChatMessage("text|Ana|a|b");
        QCOMPARE(m.text, QString("a")); // what follows the third bar is lost

        m = parseChatMessage("text|Ana|");
        QCOMPARE(m.kind, ChatMessage::Kind::Text);
        QCOMPARE(m.text, QString());

        m = parseChatMessage("text|Ana|oicons|Ana|Bruno|");
        QCOMPARE(m.kind, ChatMessage::Kind::Text);
        QCOMPARE(m.text, QString("oicons"));
    }

    void ignoredMessages() {
        for (const char* arrival : {"text|Ana", "text", "text|", "Cons|Ana|", "TEXT|a|b",
                                    " cons|Ana|", "", "hello", "name|Ana"})
            QCOMPARE(parseChatMessage(QString::fromUtf8(arrival)).kind, ChatMessage::Kind::Ignored);
    }

    void conversationEntry() {
        QCOMPARE(chatEntry("Ana", "oi"), QString("-=Ana=-\r\noi\r\n"));
        QCOMPARE(chatEntry("", ""), QString("-==-\r\n\r\n"));
    }

    void outgoingBytesAreWindows1252() {
        QCOMPARE(loginMessage("João"), QByteArray("name|Jo\xE3o"));
        QCOMPARE(textMessage("Amém, irmão!"), QByteArray("text|Am\xE9m, irm\xE3o!"));
        QCOMPARE(textMessage(""), QByteArray("text|"));
        QCOMPARE(textMessage("a|b"), QByteArray("text|a|b")); // bars travel unchanged
        // The same line coming back from the server reads as it was written.
        const QByteArray back = "text|Jo\xE3o|" + textMessage("Graça, ação").mid(5);
        const ChatMessage m = parseChatMessage(fromCp1252(back));
        QCOMPARE(m.nickname, QString("João"));
        QCOMPARE(m.text, QString("Graça, ação"));
    }
};

QTEST_APPLESS_MAIN(TestChatProtocol)
#include "test_chatprotocol.moc"
