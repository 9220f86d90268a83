#include "Cipher.h"

#include <QtTest>

using namespace tovelo;

namespace {
// A key whose only digit is `digit` (a character whose code is that single digit).
QString key(int digit) {
    return QString(QChar(char16_t(digit)));
}
} // namespace

class TestCipher : public QObject {
    Q_OBJECT
private slots:
    // Worked by hand: each character's Windows-1252 code XOR the code of the next key digit, the
    // key's digits being those of its characters' codes ("R" is 82: '8', then '2').
    void workedExamples() {
        QCOMPARE(Cifrar("a", key(6)), QString("57"));
        QCOMPARE(Cifrar("1", key(0)), QString("01")); // a leading zero kept
        QCOMPARE(Cifrar("ç", key(9)), QString("DE"));
        QCOMPARE(Cifrar("\x01\x01\x01", "R"), QString("393339"));
        QCOMPARE(Cifrar(QString(5, QChar(0)), kChave), QString("3832313137"));
    }

    // Every character Windows-1252 carries, under several keys, and a text beyond 16 bits.
    void roundTrip() {
        QString all;
        for (int code = 0; code < 256; ++code)
            all += fromCp1252(QByteArray(1, char(code)));
        for (const QString& k : {kChave, QString("ÀÉÇ€"), QString()}) {
            const QString hex = Cifrar(all, k);
            QVERIFY(QRegularExpression("^[0-9A-F]{512}$").match(hex).hasMatch());
            QCOMPARE(Decifrar(hex, k), all);
            QCOMPARE(Decifrar(hex.toLower(), k), all); // lower-case digits read alike
        }
        const QString longText(70000, QChar('x'));
        QCOMPARE(Decifrar(Cifrar(longText, kChave), kChave), longText);
    }

    void readingQuirks() {
        QCOMPARE(Decifrar("dE", key(9)), QString("ç"));
        // An odd last digit is read alone; blanks, tabs and line feeds inside a pair are
        // skipped; any other character ends the number, and a pair without a digit is 0.
        QCOMPARE(toCp1252(Decifrar("A", key(0))), QByteArray(1, 0xA ^ '0'));
        for (const char* pair : {" 4", "\t4", "\n4", "4\t", "4\n"})
            QCOMPARE(toCp1252(Decifrar(pair, key(0))), QByteArray(1, 4 ^ '0'));
        QCOMPARE(toCp1252(Decifrar("\r4zz", key(0))), QByteArray("00"));
        // A CR LF where a pair is expected takes a key digit, so every later pair meets the
        // next one. "{" is code 123; "AAAAA" enciphers to 70 73 72 70 73.
        QCOMPARE(Cifrar("AAAAA", "{"), QString("7073727073"));
        QCOMPARE(Decifrar("70\r\n73727073", "{"), QString("A2@CB@"));
    }

    void windows1252() {
        QCOMPARE(toCp1252("ãé€‘’"), QByteArray("\xE3\xE9\x80\x91\x92"));
        QCOMPARE(fromCp1252("\x91"
                            "d'\x92\x93\x94"),
                 QString("‘d'’“”"));
        QCOMPARE(toCp1252("日"), QByteArray("?"));
    }
};

QTEST_APPLESS_MAIN(TestCipher)
#include "test_cipher.moc"
