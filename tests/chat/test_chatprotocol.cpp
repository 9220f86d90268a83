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
    void addressCut() {
        QCOMPARE(chatServerAddress("<html>IP10.0.0.5Escrita Final</html>"), "10.0.0.5");
        QCOMPARE(chatServerAddress("x IP \r\n host\tEscrita Final y"), " \r\n host\t");
        // The first "IP", then the first end marker after it.
        QCOMPARE(chatServerAddress("Escrita Final IPumIPdoisEscrita FinalxEscrita Final"),
                 "umIPdois");
        // Without "IP" the search starts at the second character, so the first one is lost.
        QCOMPARE(chatServerAddress("abcEscrita Final"), "bc");
        QCOMPARE(chatServerAddress("ip1.2.3.4Escrita Final"), "p1.2.3.4");
        for (const char* page :
             {"", "IP10.0.0.5", "Escrita Final IP10.0.0.5", "IP10.0.0.5escrita final"})
            QCOMPARE(chatServerAddress(page), std::nullopt);
    }

    void parsing() {
        QCOMPARE(read("cons|Ana|Bruno|"), "[Ana,Bruno]");
        QCOMPARE(read("cons|Ana|Bruno"), "[Ana]"); // the last field is not a name
        QCOMPARE(read("cons"), "[]");
        QCOMPARE(read("cons||Ana||"), "[,Ana,]");
        QCOMPARE(read("text|Ana|Graça e paz"), "Ana: Graça e paz");
        QCOMPARE(read("text|Ana|a|b"), "Ana: a");
        // Two messages joined in one arrival are read as one.
        QCOMPARE(read("cons|Ana|text|Ana|oi"), "[Ana,text,Ana]");
        for (const char* junk :
             {"text|Ana", "text", "Cons|Ana|", "TEXT|a|b", " cons|Ana|", "", "name|Ana"})
            QCOMPARE(read(junk), "-");
    }

    void blankNicknames() {
        for (const char* blank : {"", "   ", " \t\r\n", "\u00A0\u200B\u0007"})
            QVERIFY2(isBlankNickname(QString::fromUtf8(blank)), blank);
        for (const char* name : {"Ana", " . ", "\tJo\u00E3o "})
            QVERIFY2(!isBlankNickname(QString::fromUtf8(name)), name);
    }

    void windows1252RoundTrip() {
        QCOMPARE(loginMessage("João"), QByteArray("name|Jo\xE3o"));
        QCOMPARE(textMessage("Amém, irmão!"), QByteArray("text|Am\xE9m, irm\xE3o!"));
        const QByteArray back = "text|Jo\xE3o|" + textMessage("Graça, ação").mid(5);
        QCOMPARE(read(fromCp1252(back)), "João: Graça, ação");
    }
};

QTEST_APPLESS_MAIN(TestChatProtocol)
#include "test_chatprotocol.moc"
