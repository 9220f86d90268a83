#include "Cipher.h"

#include <QtTest>

using namespace tovelo;

class TestCipher : public QObject {
    Q_OBJECT
private slots:
    void workedExamples_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<int>("digit");
        QTest::addColumn<QString>("hex");
        QTest::newRow("a with 6") << "a" << 6 << "57";
        QTest::newRow("A with 1") << "A" << 1 << "70";
        QTest::newRow("1 with 0, leading zero") << "1" << 0 << "01";
        QTest::newRow("ç with 9") << "ç" << 9 << "DE";
        QTest::newRow("empty") << "" << 3 << "";
    }
    void workedExamples() {
        QFETCH(QString, plain);
        QFETCH(int, digit);
        QFETCH(QString, hex);
        // A key of one character whose code is a single digit makes that digit the whole key.
        const QString key{QChar(char16_t(digit))};
        QCOMPARE(Cifrar(plain, key), hex);
        QCOMPARE(Decifrar(hex, key), plain);
    }

    void keyDigitsRunThroughDigitsNotLetters() {
        // "R" is code 82: the digits '8' (56) then '2' (50) act one after the other.
        QCOMPARE(Cifrar("\x01\x01\x01", "R"), QString("393339"));
        // The program's key: R=82 u=117 ... so the first digits are 8,2,1,1,7.
        QCOMPARE(Cifrar(QString(5, QChar(0)), kChave), QString("3832313137"));
    }

    void roundTripOfEveryCharacter() {
        QString all;
        for (int code = 0; code < 256; ++code)
            all += fromCp1252(QByteArray(1, char(code)));
        QCOMPARE(toCp1252(all).size(), 256);
        for (const QString& key : {kChave, QString("x"), QString("ÀÉÇ€"), QString()}) {
            const QString hex = Cifrar(all, key);
            QCOMPARE(hex.size(), 512);
            QVERIFY(QRegularExpression("^[0-9A-F]*$").match(hex).hasMatch());
            QCOMPARE(Decifrar(hex, key), all);
        }
    }

    void readingQuirks() {
        const QString zero{QChar(0)}; // the key digit '0' throughout
        // Lower-case digits read like upper-case ones, in every pair.
        QCOMPARE(Decifrar("de", QString(QChar(9))), QString("ç"));
        QCOMPARE(Decifrar("dE", QString(QChar(9))), QString("ç"));
        QString all;
        for (int code = 0; code < 256; ++code)
            all += fromCp1252(QByteArray(1, char(code)));
        QCOMPARE(Decifrar(Cifrar(all, kChave).toLower(), kChave), all);
        // An odd last digit is read alone, as a value of 0 to 15.
        QCOMPARE(toCp1252(Decifrar("A", zero))[0], char(0xA ^ '0'));
        // Blanks, tabs and line feeds inside a pair are skipped; any other character ends the
        // number, and a pair with no hex digit at its start is 0.
        for (const char* pair : {" 4", "\t4", "\n4", "4\t", "4\n"})
            QCOMPARE(toCp1252(Decifrar(pair, zero))[0], char(4 ^ '0'));
        QCOMPARE(toCp1252(Decifrar("\r4", zero))[0], char('0'));
        QCOMPARE(toCp1252(Decifrar("zz", zero))[0], char('0'));
        // A CR LF where a pair is expected is read as 0 and takes a key digit, so every later
        // pair meets the next digit. "{" is code 123: digits '1', '2', '3'; "AAAAA" enciphers
        // to 70 73 72 70 73.
        QCOMPARE(Cifrar("AAAAA", "{"), QString("7073727073"));
        QCOMPARE(Decifrar("70\r\n73727073", "{"), QString("A2@CB@"));
        // The key position starts again at every call.
        const QString a = Cifrar("ab", kChave), b = Cifrar("cd", kChave);
        QVERIFY(Decifrar(a + b, kChave) != "abcd");
    }

    void anyInputGivesAResult() {
        QCOMPARE(Decifrar("", kChave), QString());
        QCOMPARE(Decifrar("#€ü\n\t", kChave).size(), 3);
        const QString huge(100000, QChar('F'));
        QCOMPARE(Decifrar(huge, kChave).size(), 50000);
        const QString longText(40000, QChar('x'));
        QCOMPARE(Decifrar(Cifrar(longText, kChave), kChave), longText);
    }

    void windows1252Conversion() {
        QCOMPARE(toCp1252("ãéç€"), QByteArray("\xE3\xE9\xE7\x80"));
        QCOMPARE(fromCp1252("\x93ol\xE1\x94"), QString("“olá”"));
        QCOMPARE(fromCp1252("\x91"
                            "d'\x92"),
                 QString("‘d'’"));
        QCOMPARE(toCp1252("‘’"), QByteArray("\x91\x92"));
        QCOMPARE(toCp1252("日"), QByteArray("?"));
    }
};

QTEST_APPLESS_MAIN(TestCipher)
#include "test_cipher.moc"
