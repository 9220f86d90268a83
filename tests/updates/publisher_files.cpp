#include "Cipher.h"
#include "Publisher.h"
#include "UpdateFile.h"

#include <QtTest>

using namespace tovelo;
using namespace tovelo::publisher;

class TestUpdatePublisher : public QObject {
    Q_OBJECT
private slots:
    void studiesReadBackDeciphered() {
        const QString longParagraph = QString(300, QLatin1Char('x')) + QStringLiteral(" ção");
        const QList<Item> items{{QStringLiteral("O Filho Pródigo"), {"Um.", longParagraph}},
                                {QStringLiteral("Outro d'Ele"), {"Só um."}}};
        const QByteArray bytes = studiesFile(items);
        QVERIFY(acceptUpdate(bytes));
        QVERIFY(bytes.endsWith("\r\n#\r\n\r\n"));
        for (const QByteArray& line : bytes.split('\n'))
            QVERIFY(line.size() <= 100 || line.startsWith(' '));
        const QList<UpdateRecord> records = readUpdateRecords(bytes);
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[1].title, items[0].title);
        QCOMPARE(Decifrar(records[1].text, kChave), "Um.\t" + longParagraph);
        QCOMPARE(Decifrar(records[2].text, kChave), QStringLiteral("Só um."));
    }

    void reflectionsAndMapsReadBackPlain() {
        const QByteArray reflections =
            reflectionsFile({{QStringLiteral("Luz na Varanda"), {"Primeiro.", "Segundo é."}}});
        QVERIFY(reflections.contains("\xE9")); // Windows-1252, not UTF-8
        QCOMPARE(readUpdateRecords(reflections).value(1),
                 (UpdateRecord{"Luz na Varanda", QStringLiteral("Primeiro.\tSegundo é.")}));

        const QList<Item> maps =
            readMapList(QStringLiteral("O Exílio\texilio.jpg\r\n\nO Reino\treino.jpg\n"));
        const QList<UpdateRecord> records = readUpdateRecords(mapsFile(maps));
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[2], (UpdateRecord{"O Reino", "reino.jpg"}));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, readMapList("sem imagem\n"));
    }

    void textsTheFormatCannotCarryAreRefused_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("# in the text") << "T" << "nota #1";
        QTest::newRow("# in the title") << "T#" << "x";
        QTest::newRow("HTML on the first line") << "HTML fácil" << "x";
        QTest::newRow("outside Windows-1252") << "T" << "seta →";
        QTest::newRow("empty title") << " " << "x";
    }
    void textsTheFormatCannotCarryAreRefused() {
        QFETCH(QString, title);
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, reflectionsFile({{title, {text}}}));
    }

    void addressPageCarriesTheChatHost() {
        QVERIFY(addressPage("127.0.0.1").contains("IP127.0.0.1Escrita Final"));
    }
};

QTEST_APPLESS_MAIN(TestUpdatePublisher)
#include "publisher_files.moc"
