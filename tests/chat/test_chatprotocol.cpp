#include "ChatProtocol.h"
#include "Cipher.h"

#include <QtTest>

using namespace tovelo;

namespace {
// An arrival as read: "[Ana,Bruno]" for a user list, "Ana: oi" for a text, "-" when ignored.
QString read(const QString& arrival) {
    const ChatMessage m = parseChatMessage(arrival);
    if (m.kind == ChatMessage::Kind::UserList) return '[' + m.names.join(',') + ']';
    return m.kind == ChatMessage::Kind::Text ? m.nickname + ": " + m.text : "-";
}
} // namespace

class TestChatProtocol : public QObject {
    Q_OBJECT
private slots:
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
};

QTEST_APPLESS_MAIN(TestChatProtocol)
#include "test_chatprotocol.moc"
