#include "ChatProtocol.h"

#include <QSet>
#include <QTest>

using namespace tovelo::chat;
using namespace Qt::StringLiterals;

class TestChatProtocol : public QObject {
    Q_OBJECT
private slots:
    void parsesKinds() {
        const QByteArray line("text|ol\xE1\0|", 10); // bytes go through untouched
        QCOMPARE(parseMessage(line).kind, MessageKind::Text);
        QCOMPARE(parseMessage(line).payload, line.mid(5));
        for (const QByteArray& other : {QByteArray("TEXT|x"), QByteArray("cons|Ana|"),
                                        QByteArray("text"), QByteArray("\0\xFF|text|x", 9)})
            QVERIFY2(parseMessage(other).kind == MessageKind::Other, other.toHex().constData());
    }

    void splitsWhatWasReadInOnePiece() {
        QVERIFY(splitArrival({}).isEmpty());
        QCOMPARE(splitArrival("name|Anatext|oitext|text|a|b"),
                 QList<QByteArray>({"name|Ana", "text|oi", "text|", "text|a|b"}));
        // Too long: cut, and the rest is not a message of its own.
        QCOMPARE(splitArrival("text|abcdefgtext|x", 8),
                 QList<QByteArray>({"text|abc", "defg", "text|x"}));
        QCOMPARE(parseMessage("defg").kind, MessageKind::Other);
    }

    void nicknamesCannotBreakTheListOrPassForAnother() {
        QCOMPARE(sanitiseNickname("  Pastor \t\r\n Marcos\0\x1B\xAD\x9D  "_ba), "Pastor Marcos");
        QCOMPARE(sanitiseNickname(" \xA0\t\x01"_ba), QByteArray());
        QCOMPARE(sanitiseNickname(QByteArray(kMaxNicknameBytes + 10, '|')),
                 QByteArray(kMaxNicknameBytes, '/'));
        // What matters is that the list still splits back into exactly the users.
        const QByteArray list = buildUserList({sanitiseNickname("a|b"), sanitiseNickname("|")});
        QCOMPARE(list.split('|'), QList<QByteArray>({"cons", "a/b", "/", ""}));
    }

    void linesCannotForgeAnEntry() {
        QCOMPARE(sanitiseLine("oi\r\n-=Ana=-\r\nfalso\0\x1B[2J\x7F|\tfim"_ba),
                 "oi  -=Ana=-  falso[2J| fim");
        const QByteArray accents("Gra\xE7"
                                 "a e paz, irm\xE3 \x80\x93\xFF");
        QCOMPARE(sanitiseLine(accents), accents);
    }

    void nicknamesStayDistinct() {
        QCOMPARE(nicknameKey("\xC1GUA \xC7\xE9 \x9F \x8C"_ba), "\xE1gua \xE7\xE9 \xFF \x9C"_ba);
        QSet<QByteArray> taken{nicknameKey("Ana"), nicknameKey("Ana (2)")};
        const auto isTaken = [&](const QByteArray& n) { return taken.contains(nicknameKey(n)); };
        QCOMPARE(distinctNickname("Bia", isTaken), "Bia");
        QCOMPARE(distinctNickname("ANA", isTaken), "ANA (3)");
        // The number always shows, however long the name.
        const QByteArray longest(kMaxNicknameBytes, 'x');
        taken.insert(nicknameKey(longest));
        QCOMPARE(distinctNickname(longest, isTaken),
                 QByteArray(kMaxNicknameBytes - 4, 'x') + " (2)");
    }
};

QTEST_APPLESS_MAIN(TestChatProtocol)
#include "test_chatserver_protocol.moc"
