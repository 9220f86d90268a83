#include "Cipher.h"
#include "Publisher.h"
#include "UpdateFile.h"

#include <QtTest>

using namespace tovelo;

static UpdateRecord rec(const char* title, const char* text) {
    return {QString::fromUtf8(title), QString::fromUtf8(text)};
}

class TestUpdateFile : public QObject {
    Q_OBJECT
private slots:
    // Only the first line counts: empty, or holding "html" in any letter case. A page with LF
    // line ends is all one first line.
    void acceptance() {
        for (const char* bytes :
             {"", "\r\n A # b\r\n", "<!DOCTYPE HTML>\r\n A # b\r\n", "<Html>\r\n A # b\r\n",
              " A # b\nhtml\r\n", "<!doctype html>\n<title>Entrar</title>\n A # b\n"})
            QVERIFY2(!acceptUpdate(bytes), bytes);
        for (const char* bytes : {" A # b\r\nHTML\r\n", " A # b\r<html>\r\n", "x\nHTM L\r\n"})
            QVERIFY2(acceptUpdate(bytes), bytes);
    }

    // The title is characters 2 to p-2 of a header whose first "#" is at p; the text starts at p+2.
    void headerLayout() {
        QCOMPARE(headerRecord("#abc"), rec("", "bc"));
        QCOMPARE(headerRecord("A#bc"), rec("", "c"));
        QCOMPARE(headerRecord("xT #_t"), rec("T", "t"));
        QCOMPARE(headerRecord("xTitulo7 #_texto"), rec("Titulo7", "texto"));
        QCOMPARE(headerRecord("#"), rec("", ""));
        QCOMPARE(headerRecord("xT # a#b"), rec("T", "a#b"));
    }

    void records() {
        // Lines before the first header form the first record; Windows-1252 text.
        QCOMPARE(readUpdateRecords("intro\r\n \xC9xodo # \x80 5\r\nfim\r\n#\r\n\r\n"),
                 (QList{rec("", "intro"), rec("Éxodo", "€ 5fim")}));
        // The last line is never read, even a header, so " B" stays pending.
        QCOMPARE(readUpdateRecords(" A # a\r\n B # b"), QList{rec("", "")});
        // A header with an empty title still hands over the record before it.
        QCOMPARE(readUpdateRecords(" A # a\r\nAB#x\r\n B # b\r\n#\r\n\r\n"),
                 (QList{rec("", ""), rec("A", "a"), rec("", ""), rec("B", "b")}));
        // A lone LF stays in the text; CR alone ends a line.
        QCOMPARE(updateLines("a\nb\r\r\nc\n"), (QStringList{"a\nb", "", "c\n"}));
        QCOMPARE(readUpdateRecords(" T # a\nb\rc\r#\r\r"), (QList{rec("", ""), rec("T", "a\nbc")}));
    }

    // The publisher's tool writes files that pass the acceptance test and read back whole.
    void publisherFilesReadBack() {
        using namespace tovelo::publisher;
        const QString longParagraph = QString(300, 'x') + " ção";
        const QByteArray studies =
            studiesFile({{"O Filho Pródigo", {"Um.", longParagraph}}, {"Outro d'Ele", {"Só um."}}});
        QVERIFY(acceptUpdate(studies));
        const QList<UpdateRecord> read = readUpdateRecords(studies);
        QCOMPARE(read.size(), 3);
        QCOMPARE(Decifrar(read[1].text, kChave), "Um.\t" + longParagraph);
        QCOMPARE(Decifrar(read[2].text, kChave), "Só um.");
        QCOMPARE(
            readUpdateRecords(reflectionsFile({{"Luz", {"Primeiro.", "Segundo é."}}})).value(1),
            rec("Luz", "Primeiro.\tSegundo é."));
        const QList<UpdateRecord> maps = readUpdateRecords(
            mapsFile(readMapList("O Exílio\texilio.jpg\r\n\nO Reino\treino.jpg\n")));
        QCOMPARE(maps.value(1), rec("O Exílio", "exilio.jpg"));
        QCOMPARE(maps.size(), 3);
        // Texts the format cannot carry are refused.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, readMapList("sem imagem\n"));
        for (const auto& [title, text] : {std::pair("T", "nota #1"),
                                          {"T#", "x"},
                                          {"HTML fácil", "x"},
                                          {"T", "seta →"},
                                          {" ", "x"}})
            QVERIFY_THROWS_EXCEPTION(
                std::runtime_error,
                reflectionsFile({{QString::fromUtf8(title), {QString::fromUtf8(text)}}}));
    }
};

QTEST_APPLESS_MAIN(TestUpdateFile)
#include "test_updatefile.moc"
