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
    void eachKindReadsBack() {
        const QString longParagraph = QString(300, 'x') + " ção";
        const QByteArray studies =
            studiesFile({{"O Filho Pródigo", {"Um.", longParagraph}}, {"Outro d'Ele", {"Só um."}}});
        QVERIFY(acceptUpdate(studies));
        const QList<UpdateRecord> read = readUpdateRecords(studies);
        QCOMPARE(read.size(), 3);
        QCOMPARE(Decifrar(read[1].text, kChave), "Um.\t" + longParagraph);
        QCOMPARE(Decifrar(read[2].text, kChave), "Só um.");

        const QByteArray reflections =
            reflectionsFile({{"Luz na Varanda", {"Primeiro.", "Segundo é."}}});
        QVERIFY(acceptUpdate(reflections));
        QCOMPARE(readUpdateRecords(reflections).value(1),
                 (UpdateRecord{"Luz na Varanda", "Primeiro.\tSegundo é."}));

        const QList<UpdateRecord> maps = readUpdateRecords(
            mapsFile(readMapList("O Exílio\texilio.jpg\r\n\nO Reino\treino.jpg\n")));
        QCOMPARE(maps.size(), 3);
        QCOMPARE(maps[1], (UpdateRecord{"O Exílio", "exilio.jpg"}));
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
