#include "ChatProtocol.h"

#include <QTest>

using namespace tovelo::chat;

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

    void nicknamesCannotBreakTheList() {
        QCOMPARE(sanitiseNickname(QByteArray(kMaxNicknameBytes + 10, '|')),
                 QByteArray(kMaxNicknameBytes, '/'));
        // What matters is that the list still splits back into exactly the users.
        const QByteArray list = buildUserList({sanitiseNickname("a|b"), sanitiseNickname("|")});
        QCOMPARE(list.split('|'), QList<QByteArray>({"cons", "a/b", "/", ""}));
    }

    void splitsLongArrivals() {
        QVERIFY(splitArrival({}).isEmpty());
        const QByteArray exact(kMaxMessageBytes, 'a');
        QCOMPARE(splitArrival(exact), QList<QByteArray>{exact});
        QCOMPARE(splitArrival("aaabbbc", 3), QList<QByteArray>({"aaa", "bbb", "c"}));
    }
};

QTEST_APPLESS_MAIN(TestChatProtocol)
#include "test_chatserver_protocol.moc"
