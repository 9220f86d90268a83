#include "Cipher.h"
#include "Publisher.h"
#include "UpdateFile.h"

#include <QtTest>

using namespace tovelo;
using namespace tovelo::publisher;

// The publisher's files must pass the program's acceptance test and read back through its reader.
class TestUpdatePublisher : public QObject {
    Q_OBJECT
private slots:
    void studiesReadBackDeciphered() {
        const QString longParagraph = QString(300, QLatin1Char('x')) + QStringLiteral(" ção");
        const QByteArray bytes =
            studiesFile({{QStringLiteral("O Filho Pródigo"), {"Um.", longParagraph}},
                         {QStringLiteral("Outro d'Ele"), {"Só um."}}});
        QVERIFY(acceptUpdate(bytes));
        const QList<UpdateRecord> records = readUpdateRecords(bytes);
        QCOMPARE(records.size(), 3);
        QCOMPARE(Decifrar(records[1].text, kChave), "Um.\t" + longParagraph);
        QCOMPARE(Decifrar(records[2].text, kChave), QStringLiteral("Só um."));
    }

    void reflectionsAndMapsReadBackPlain() {
        const QByteArray reflections =
            reflectionsFile({{QStringLiteral("Luz na Varanda"), {"Primeiro.", "Segundo é."}}});
        QVERIFY(acceptUpdate(reflections));
        QCOMPARE(readUpdateRecords(reflections).value(1),
                 (UpdateRecord{"Luz na Varanda", QStringLiteral("Primeiro.\tSegundo é.")}));

        const QList<Item> maps =
            readMapList(QStringLiteral("O Exílio\texilio.jpg\r\n\nO Reino\treino.jpg\n"));
        const QList<UpdateRecord> records = readUpdateRecords(mapsFile(maps));
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[1], (UpdateRecord{QStringLiteral("O Exílio"), "exilio.jpg"}));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, readMapList("sem imagem\n"));
    }

    void textsTheFormatCannotCarryAreRefused() {
        const std::pair<const char*, const char*> rows[] = {
            {"T", "nota #1"}, {"T#", "x"}, {"HTML fácil", "x"}, {"T", "seta →"}, {" ", "x"}};
        for (const auto& [title, text] : rows)
            QVERIFY_THROWS_EXCEPTION(
                std::runtime_error,
                reflectionsFile({{QString::fromUtf8(title), {QString::fromUtf8(text)}}}));
    }
};

QTEST_APPLESS_MAIN(TestUpdatePublisher)
#include "publisher_files.moc"
