#include "ChatProtocol.h"
#include "Cipher.h"

#include <QtTest>

using namespace tovelo;

namespace {
using Address = std::optional<QString>;

// The names of a user list, or a marker when the arrival was not read as one.
QStringList names(const QString& arrival) {
    const ChatMessage m = parseChatMessage(arrival);
    return m.kind == ChatMessage::Kind::UserList ? m.names : QStringList{"<not a list>"};
}
// "nickname: text" of a text message, or a marker when it was not read as one.
QString line(const QString& arrival) {
    const ChatMessage m = parseChatMessage(arrival);
    return m.kind == ChatMessage::Kind::Text ? m.nickname + ": " + m.text : "<not a text>";
}
} // namespace

class TestChatProtocol : public QObject {
    Q_OBJECT
private slots:
    void addressCut() {
        QCOMPARE(chatServerAddress("<html>IP10.0.0.5Escrita Final</html>"), Address("10.0.0.5"));
        QCOMPARE(chatServerAddress("x IP \r\n host\tEscrita Final y"), Address(" \r\n host\t"));
        // The first "IP", then the first end marker after it.
        QCOMPARE(chatServerAddress("Escrita Final IPumIPdoisEscrita FinalxEscrita Final"),
                 Address("umIPdois"));
        QCOMPARE(chatServerAddress("IPEscrita Final"), Address(""));
        // Without "IP" the search starts at the second character, so the first one is lost.
        QCOMPARE(chatServerAddress("abcEscrita Final"), Address("bc"));
        QCOMPARE(chatServerAddress("ip1.2.3.4Escrita Final"), Address("p1.2.3.4"));
        for (const char* page :
             {"", "IP10.0.0.5", "Escrita Final IP10.0.0.5", "IP10.0.0.5escrita final"})
            QCOMPARE(chatServerAddress(page), std::nullopt);
    }

    void parsing() {
        QCOMPARE(names("cons|Ana|Bruno|"), (QStringList{"Ana", "Bruno"}));
        QCOMPARE(names("cons|Ana|Bruno"), QStringList{"Ana"}); // the last field is not a name
        QCOMPARE(names("cons"), QStringList{});
        QCOMPARE(names("cons||Ana||"), (QStringList{"", "Ana", ""}));
        QCOMPARE(line("text|Ana|Graça e paz"), QString("Ana: Graça e paz"));
        QCOMPARE(line("text|Ana|a|b"), QString("Ana: a"));
        QCOMPARE(line("text|Ana|"), QString("Ana: "));
        // Two messages joined in one arrival are read as one.
        QCOMPARE(names("cons|Ana|text|Ana|oi"), (QStringList{"Ana", "text", "Ana"}));
        QCOMPARE(line("text|Ana|oicons|Ana|Bruno|"), QString("Ana: oicons"));
        for (const char* junk :
             {"text|Ana", "text", "Cons|Ana|", "TEXT|a|b", " cons|Ana|", "", "name|Ana"})
            QCOMPARE(parseChatMessage(junk).kind, ChatMessage::Kind::Ignored);
    }

    void windows1252RoundTrip() {
        QCOMPARE(loginMessage("João"), QByteArray("name|Jo\xE3o"));
        QCOMPARE(textMessage("Amém, irmão!"), QByteArray("text|Am\xE9m, irm\xE3o!"));
        const QByteArray back = "text|Jo\xE3o|" + textMessage("Graça, ação").mid(5);
        QCOMPARE(line(fromCp1252(back)), QString("João: Graça, ação"));
    }
};

QTEST_APPLESS_MAIN(TestChatProtocol)
#include "test_chatprotocol.moc"
