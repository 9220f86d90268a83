#include "UpdateFile.h"

#include <QtTest>

using namespace tovelo;

namespace {

QList<UpdateRecord> recs(std::initializer_list<std::pair<const char*, const char*>> list) {
    QList<UpdateRecord> out;
    for (const auto& [title, text] : list)
        out.append({QString::fromUtf8(title), QString::fromUtf8(text)});
    return out;
}

} // namespace

Q_DECLARE_METATYPE(QList<tovelo::UpdateRecord>)

class TestUpdateFile : public QObject {
    Q_OBJECT
private slots:
    void lineBreaks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("no break") << "a" << QStringList{"a"};
        QTest::newRow("final CR LF adds no line") << "a\r\n" << QStringList{"a"};
        QTest::newRow("final CR adds no line") << "a\r" << QStringList{"a"};
        QTest::newRow("empty last line") << "a\r\n\r\n" << QStringList{"a", ""};
        QTest::newRow("CR only") << "a\rb\rc" << QStringList{"a", "b", "c"};
        QTest::newRow("lone LF stays") << "a\nb\r\nc\n" << QStringList{"a\nb", "c\n"};
        QTest::newRow("CR then CR LF") << "a\r\r\nb" << QStringList{"a", "", "b"};
    }
    void lineBreaks() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(updateLines(text), lines);
    }

    void acceptance_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("empty first line") << QByteArray("\r\n A # b\r\n") << false;
        QTest::newRow("error page") << QByteArray("<!DOCTYPE HTML>\r\n<html>") << false;
        QTest::newRow("HTML inside the line") << QByteArray(" xHTMLx # y\r\n") << false;
        QTest::newRow("LF keeps HTML in the first line") << QByteArray("a\nHTML\r\n") << false;
        QTest::newRow("lower case") << QByteArray("<html>\r\n") << true;
        QTest::newRow("HTML on the second line") << QByteArray(" A # b\r\nHTML\r\n") << true;
    }
    void acceptance() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        QCOMPARE(acceptUpdate(bytes), accepted);
    }

    void headerLayout_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("p=1") << "#abc" << "" << "bc";
        QTest::newRow("p=2") << "A#bc" << "" << "c";
        QTest::newRow("p=3") << "AB#cd" << "" << "d";
        QTest::newRow("p=4") << "xT #_t" << "T" << "t";
        QTest::newRow("p=10") << "xTitulo7 #_texto" << "Titulo7" << "texto";
        QTest::newRow("closing header") << "#" << "" << "";
        QTest::newRow("text ends early") << "xAB #" << "AB" << "";
        QTest::newRow("later # kept in text") << "xT # a#b" << "T" << "a#b";
    }
    void headerLayout() {
        QFETCH(QString, line);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QCOMPARE(headerRecord(line), (UpdateRecord{title, text}));
    }

    void records_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<UpdateRecord>>("expected");
        QTest::newRow("closed record")
            << QByteArray(" Titulo # inicio\r\nmeio\r\nfim\r\n#\r\n\r\n")
            << recs({{"", ""}, {"Titulo", "iniciomeiofim"}});
        QTest::newRow("no closing header stores nothing")
            << QByteArray(" Titulo # inicio\r\nmeio\r\nfim\r\n") << recs({{"", ""}});
        QTest::newRow("last line never read, even a header")
            << QByteArray(" A # a\r\n B # b") << recs({{"", ""}});
        QTest::newRow("lines before the first header")
            << QByteArray("intro\r\nmais\r\n T # t\r\n#\r\n\r\n")
            << recs({{"", "intromais"}, {"T", "t"}});
        QTest::newRow("empty-title header still hands over the record before it")
            << QByteArray(" A # a\r\nAB#x\r\n B # b\r\n#\r\n\r\n")
            << recs({{"", ""}, {"A", "a"}, {"", ""}, {"B", "b"}});
        QTest::newRow("lone LF kept")
            << QByteArray(" T # a\nb\r\nc\r\n#\r\n\r\n") << recs({{"", ""}, {"T", "a\nbc"}});
        QTest::newRow("CR line ends") << QByteArray(" T # a\rb\r#\r\r")
                                      << recs({{"", ""}, {"T", "ab"}});
        QTest::newRow("Windows-1252") << QByteArray(" \xC9xodo # \x80 5\r\n#\r\n\r\n")
                                      << recs({{"", ""}, {"Éxodo", "€ 5"}});
        QTest::newRow("one line") << QByteArray(" T # t\r\n") << QList<UpdateRecord>();
    }
    void records() {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<UpdateRecord>, expected);
        QCOMPARE(readUpdateRecords(bytes), expected);
    }
};

QTEST_APPLESS_MAIN(TestUpdateFile)
#include "test_updatefile.moc"
