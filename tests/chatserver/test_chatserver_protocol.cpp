#include "ChatProtocol.h"

#include <QSet>
#include <QTest>

using namespace tovelo::chat;
using namespace Qt::StringLiterals;

// What the server process cannot easily be made to show: the cut of an overlong message,
// letter case beyond ASCII, and the numbering of the longest nickname.
class TestChatProtocol : public QObject {
    Q_OBJECT
private slots:
    void splitsWhatWasReadInOnePiece() {
        QCOMPARE(splitArrival("name|Anatext|oitext|text|a|b"),
                 QList<QByteArray>({"name|Ana", "text|oi", "text|", "text|a|b"}));
        QCOMPARE(splitArrival("text|abcdefgtext|x", 8),
                 QList<QByteArray>({"text|abc", "defg", "text|x"}));
        QCOMPARE(parseMessage("defg").kind, MessageKind::Other);
    }

    void nicknamesStayDistinctAndFitTheList() {
        QCOMPARE(nicknameKey("\xC1GUA \xC7\xE9 \x9F \x8C"_ba), "\xE1gua \xE7\xE9 \xFF \x9C"_ba);
        QCOMPARE(sanitiseNickname(QByteArray(kMaxNicknameBytes + 10, '|')),
                 QByteArray(kMaxNicknameBytes, '/'));
        const QByteArray longest(kMaxNicknameBytes, 'x');
        const QSet<QByteArray> taken{nicknameKey(longest)};
        QCOMPARE(distinctNickname(longest, [&](const QByteArray& n) { return taken.contains(n); }),
                 QByteArray(kMaxNicknameBytes - 4, 'x') + " (2)");
    }
};

QTEST_APPLESS_MAIN(TestChatProtocol)
#include "test_chatserver_protocol.moc"
