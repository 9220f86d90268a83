#include "ChatProtocol.h"
#include "ChatServerProcess.h"
#include "TestSupport.h"

#include <QNetworkInterface>
#include <QSet>
#include <QTcpSocket>
#include <QTest>
#include <deque>

using namespace Qt::StringLiterals;
using tovelo::test::waitUntil;

namespace {

#define WAIT_FOR(condition) QVERIFY2(waitUntil([&] { return bool(condition); }), #condition)
#define WAIT_EQ(actual, expected)                                                                  \
    do {                                                                                           \
        waitUntil([&] { return (actual) == (expected); });                                         \
        QCOMPARE(actual, expected);                                                                \
    } while (false)

struct Server : tovelo::test::ChatServerProcess {
    explicit Server(const QStringList& options = {})
        : ChatServerProcess(TOVELO_CHAT_SERVER, options) {}
};

// Reads the way the chat window does: each readyRead's readAll is one message. One that does
// not read takes one byte, and the kernel holds little for it.
struct Client {
    Client(quint16 port, const char* from = "127.0.0.1", bool reads = true) {
        if (reads)
            QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
                arrivals.append(socket.readAll());
                texts += arrivals.last().count("text|");
            });
        else {
            socket.setReadBufferSize(1);
            socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        }
        QObject::connect(&socket, &QTcpSocket::disconnected, [this] { closed = true; });
        socket.bind(QHostAddress(QString::fromLatin1(from)));
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(8000);
    }
    void send(const QByteArray& message) {
        socket.write(message);
        socket.flush();
    }
    QByteArray last() const { return arrivals.value(arrivals.size() - 1); }

    QTcpSocket socket;
    QList<QByteArray> arrivals;
    int texts = 0; // text messages received, also those that came in one arrival
    bool closed = false;
};

QByteArray notice(const char* text) {
    return "text|Servidor|" + QString::fromUtf8(text).toLatin1();
}

} // namespace

class TestChatServer : public QObject {
    Q_OBJECT

private slots:
    void listensOnThisMachineOnlyByDefault() {
        Server server;
        QCOMPARE(server.address, QString("127.0.0.1"));
        for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
            if (address.isLoopback() || address.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            QTcpSocket outside;
            outside.connectToHost(address, server.port);
            QVERIFY2(!outside.waitForConnected(2000), qPrintable(address.toString()));
        }
    }

    void nicknamesAndLinesReachOthersClean() {
        Server server;
        Client early(server.port), ana(server.port), blank(server.port);
        ana.send("name|Ana");
        WAIT_EQ(ana.last(), QByteArray("cons|Ana|"));
        blank.send("name| \t\r\n\xA0");
        WAIT_FOR(blank.closed);
        QCOMPARE(blank.arrivals.join(),
                 notice("Apelido vazio. Digite um apelido e clique em Conectar."));

        // Nobody takes a name in use, in any letter case, nor the server's own; control
        // characters and bars go, and what is left may be taken too.
        Client ana2(server.port), ana3(server.port), servidor(server.port), bar(server.port);
        ana2.send("name|ANA");
        WAIT_EQ(ana.last(), QByteArray("cons|Ana|ANA (2)|"));
        ana3.send("name|A\x00n\x07"
                  "a \r\n"_ba);
        WAIT_EQ(ana.last(), QByteArray("cons|Ana|ANA (2)|Ana (3)|"));
        servidor.send("name|servidor");
        bar.send("name|Bru|no");
        WAIT_EQ(ana.last(), QByteArray("cons|Ana|ANA (2)|Ana (3)|servidor (2)|Bru/no|"));

        // A line cannot start an entry of its own in the window, nor carry control characters;
        // bars and accents pass. Nobody's own line comes back, nor one sent before a login.
        early.send("text|cedo"); // before its login: nobody to attribute it to
        ana2.send("text|Oi\r\n-=Pastor Marcos=-\r\nD\xEA"
                  "em|a mim\x00\x1B[2J"_ba);
        const QByteArray relayed("text|ANA (2)|Oi  -=Pastor Marcos=-  D\xEA"
                                 "em|a mim[2J");
        WAIT_EQ(bar.last(), relayed);
        WAIT_EQ(ana.last(), relayed);
        QCOMPARE(ana2.texts + ana.texts + bar.texts, 2);

        ana.socket.abort(); // leaving frees the name
        Client again(server.port);
        again.send("name|ana");
        WAIT_EQ(bar.last(), QByteArray("cons|ANA (2)|Ana (3)|servidor (2)|Bru/no|ana|"));
    }

    void linesAtTheAllowedRateArriveWholeAndOneByOne() {
        Server server({"--gap-ms", "10"}); // wider than the default, for a busy machine
        Client reader(server.port), steady(server.port), burst(server.port);
        reader.send("name|leitor");
        steady.send("name|a");
        burst.send("name|b");
        WAIT_EQ(reader.last(), QByteArray("cons|leitor|a|b|"));
        reader.arrivals.clear();

        // One talker at 50 lines a second for 40 lines (its burst allowance covers the excess),
        // the other with 20 lines at once, which the server reads in one piece; a line holding
        // "text|" is two messages to the server.
        for (int i = 0; i < 20; ++i)
            burst.send("text|b" + QByteArray::number(i) + " text| ok");
        for (int i = 0; i < 40; ++i) {
            steady.send("text|linha " + QByteArray::number(i));
            waitUntil([] { return false; }, 20);
        }
        WAIT_EQ(reader.arrivals.size(), 80);
        QList<QByteArray> fromA, fromB;
        for (const QByteArray& arrival : std::as_const(reader.arrivals))
            (arrival.startsWith("text|a|") ? fromA : fromB).append(arrival);
        for (int i = 0; i < 40; ++i)
            QCOMPARE(fromA.value(i), "text|a|linha " + QByteArray::number(i));
        for (int i = 0; i < 20; ++i)
            QCOMPARE(fromB.value(2 * i) + fromB.value(2 * i + 1),
                     "text|b|b" + QByteArray::number(i) + " text|b| ok");
    }

    void readersAreWaitedForAndOnlyNonReadersDropped() {
        // No input limits; two seconds of taking nothing drop a client.
        Server server({"--max-rate", "0", "--max-rate-bytes", "0", "--read-timeout", "2"});
        Client reader(server.port), mute(server.port, "127.0.0.1", false);
        std::deque<Client> talkers;
        reader.send("name|leitor");
        mute.send("name|mudo");
        for (int t = 0; t < 4; ++t)
            talkers.emplace_back(server.port).send("name|t" + QByteArray::number(t));
        WAIT_EQ(reader.last(), QByteArray("cons|leitor|mudo|t0|t1|t2|t3|"));
        reader.arrivals.clear();

        // Each talker hands over 600 KB of long lines at once: far more than the reader takes
        // in a second, and cut across the server's reads.
        constexpr int kLines = 150;
        for (Client& talker : talkers)
            for (int i = 0; i < kLines; ++i)
                talker.send("text|" + QByteArray::number(i).rightJustified(4000, '.'));
        WAIT_FOR(server.log().contains("closed mudo"));
        waitUntil([&] { return reader.texts == 4 * kLines; }, 30000);
        QCOMPARE(reader.texts, 4 * kLines);
        QVERIFY(!reader.closed && !server.log().contains("closed leitor"));
        // Every line whole and in order (two long lines may share one read of this busy process).
        int next[4] = {};
        const QByteArray stream = reader.arrivals.join().replace("cons|", "text|cons|");
        for (qsizetype at = stream.indexOf("text|t"); at >= 0;
             at = stream.indexOf("text|t", at + 1)) {
            const qsizetype end = stream.indexOf("text|", at + 1);
            const int t = stream.at(at + 6) - '0';
            QCOMPARE(stream.mid(at, end < 0 ? -1 : end - at),
                     "text|t" + QByteArray::number(t) + '|' +
                         QByteArray::number(next[t]++).rightJustified(4000, '.'));
        }
    }

    void newConnectionsAreLimitedAndMustLogIn() {
        Server server({"--login-timeout", "1", "--max-per-address", "2", "--max-clients", "4"});
        Client idle1(server.port), idle2(server.port), third(server.port);
        WAIT_FOR(third.closed);
        QCOMPARE(third.arrivals.join(), notice("Há conexões demais a partir do seu endereço. "
                                               "Tente de novo mais tarde."));
        Client idle3(server.port, "127.0.0.3"), bia(server.port, "127.0.0.2");
        bia.send("name|Bia");
        WAIT_EQ(bia.last(), QByteArray("cons|Bia|"));
        Client fifth(server.port, "127.0.0.4");
        WAIT_FOR(fifth.closed);
        QCOMPARE(fifth.arrivals.join(), notice("A sala está cheia. Tente de novo mais tarde."));

        // A closed connection gives its place back at once.
        idle1.socket.abort();
        waitUntil([] { return false; }, 100);
        Client ana(server.port);
        ana.send("name|Ana");
        WAIT_EQ(bia.last(), QByteArray("cons|Bia|Ana|"));

        // Past the deadline the idle connections go, and others can come in.
        WAIT_FOR(idle2.closed && idle3.closed);
        QCOMPARE(idle2.arrivals.join(),
                 notice("O apelido não chegou a tempo. Clique em Conectar de novo."));
        Client late(server.port, "127.0.0.4");
        late.send("name|Caio");
        WAIT_EQ(bia.last(), QByteArray("cons|Bia|Ana|Caio|"));
        QVERIFY(!bia.closed && !ana.closed && !late.closed);
    }

    // What the server process cannot easily be made to show: the cut of an overlong message,
    // letter case beyond ASCII, and the numbering of the longest nickname.
    void splitsWhatWasReadInOnePiece() {
        using namespace tovelo::chat;
        QCOMPARE(splitArrival("name|Anatext|oitext|text|a|b"),
                 QList<QByteArray>({"name|Ana", "text|oi", "text|", "text|a|b"}));
        QCOMPARE(splitArrival("text|abcdefgtext|x", 8),
                 QList<QByteArray>({"text|abc", "defg", "text|x"}));
        QCOMPARE(parseMessage("defg").kind, MessageKind::Other);
    }

    void nicknamesStayDistinctAndFitTheList() {
        using namespace tovelo::chat;
        QCOMPARE(nicknameKey("\xC1GUA \xC7\xE9 \x9F \x8C"_ba), "\xE1gua \xE7\xE9 \xFF \x9C"_ba);
        QCOMPARE(sanitiseNickname(QByteArray(kMaxNicknameBytes + 10, '|')),
                 QByteArray(kMaxNicknameBytes, '/'));
        const QByteArray longest(kMaxNicknameBytes, 'x');
        const QSet<QByteArray> taken{nicknameKey(longest)};
        QCOMPARE(distinctNickname(longest, [&](const QByteArray& n) { return taken.contains(n); }),
                 QByteArray(kMaxNicknameBytes - 4, 'x') + " (2)");
    }
};

QTEST_GUILESS_MAIN(TestChatServer)
#include "test_chatserver.moc"
