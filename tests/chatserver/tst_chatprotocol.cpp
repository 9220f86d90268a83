#include <QTest>

#include "ChatProtocol.h"

using namespace tovelo::chat;

namespace {
// Literals with embedded NULs, sized by the compiler rather than by hand.
template <std::size_t N>
QByteArray bytes(const char (&literal)[N]) {
    return QByteArray(literal, qsizetype(N - 1));
}
}  // namespace

class TestChatProtocol : public QObject {
    Q_OBJECT
private slots:
    void parsesKinds() {
        const auto check = [](const QByteArray& raw, MessageKind kind, const QByteArray& payload) {
            const Message message = parseMessage(raw);
            return message.kind == kind && message.payload == payload;
        };
        QVERIFY(check("name|A|na", MessageKind::Login, "A|na"));
        QVERIFY(check("name|", MessageKind::Login, ""));
        QVERIFY(check("text|a|b||", MessageKind::Text, "a|b||"));
        QVERIFY(check(bytes("text|ol\xE1\0|"), MessageKind::Text, bytes("ol\xE1\0|")));
        for (const QByteArray& other : {QByteArray("TEXT|x"), QByteArray("cons|Ana|"), QByteArray("text"),
                                        QByteArray(), QByteArray("|text|x"), bytes("\0\xFF|text|x")})
            QVERIFY2(check(other, MessageKind::Other, ""), other.toHex().constData());
    }

    void nicknamesCannotBreakTheList() {
        QCOMPARE(sanitiseNickname("|A|n\xE3|"), QByteArray("/A/n\xE3/"));
        const QByteArray clean = sanitiseNickname(QByteArray(kMaxNicknameBytes + 10, '|'));
        QCOMPARE(clean, QByteArray(kMaxNicknameBytes, '/'));
        // What matters is that the list still splits back into exactly the users.
        const QByteArray list = buildUserList({sanitiseNickname("a|b"), sanitiseNickname("|")});
        QCOMPARE(list.split('|'), QList<QByteArray>({"cons", "a/b", "/", ""}));
    }

    void buildsMessages() {
        QCOMPARE(buildUserList({}), QByteArray("cons|"));
        QCOMPARE(buildUserList({"Ana", "Bruno"}), QByteArray("cons|Ana|Bruno|"));
        QCOMPARE(buildTextMessage("Ana", "a|b|"), QByteArray("text|Ana|a|b|"));
        QCOMPARE(buildTextMessage("Ana", bytes("\0\xFF")), bytes("text|Ana|\0\xFF"));
    }

    void splitsLongArrivals() {
        QVERIFY(splitArrival({}).isEmpty());
        const QByteArray exact(kMaxMessageBytes, 'a');
        QCOMPARE(splitArrival(exact), QList<QByteArray>{exact});
        QCOMPARE(splitArrival(exact + "bc"), QList<QByteArray>({exact, "bc"}));
        QCOMPARE(splitArrival("aaabbbc", 3), QList<QByteArray>({"aaa", "bbb", "c"}));
    }
};

QTEST_APPLESS_MAIN(TestChatProtocol)
#include "tst_chatprotocol.moc"
