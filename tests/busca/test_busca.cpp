#include "TestSupport.h"

#include <QProcess>
#include <QtTest>

using namespace tovelo;
using test::plainSqlite;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run busca(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(TOVELO_BUSCA), args);
    Run r;
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit) return r;
    r.status = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TestBusca : public QObject {
    Q_OBJECT
private slots:
    void versesInTheWindowsOrder() {
        test::ContentFixture fx;
        const QString db = fx.database();
        Run r = busca({"--db", db, "ESPÍRITO"});
        QCOMPARE(r.out, QString("Atos 2:1\tNo dia de Pentecostes o Espírito veio.\n"
                                "Gênesis 1:2\tSegundo versículo, onde o Espirito paira.\n"
                                "Mateus 5:3\tBem-aventurados os humildes de espírito.\n"));
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.isEmpty());
        // The words are joined by one space, as typed in the window; options go anywhere.
        r = busca({"--db", db, "humildes", "de", "-c"});
        QCOMPARE(r.out, QString("1\n"));
        QCOMPARE(busca({"--db=" + db, "-c", "--", "-aventurados"}).out, QString("2\n"));
        // The program's own database by default: the whole Bible.
        QCOMPARE(busca({"-c", "amor"}).out, QString("370\n"));
        QCOMPARE(busca({"-c", "Cristo"}).out, QString("536\n"));
        r = busca({"Amen. "}); // the space that ends each chapter's last verse
        QCOMPARE(r.out.count('\n'), 32);
        QVERIFY(r.out.startsWith("1 Coríntios 16:24\tO meu amor seja com todos vós em Christo "
                                 "Jesus. Amen.  \n")); // as the scripture file holds it
    }

    void exitStatusAndMessages() {
        test::ContentFixture fx;
        const QString db = fx.database();
        Run r = busca({"--db", db, "xyzq"});
        QCOMPARE(std::tuple(r.status, r.out, r.err), std::tuple(1, QString(), QString()));
        QCOMPARE(busca({"--db", db, "-c", "xyzq"}).out, QString("0\n"));

        r = busca({"--db", db, "fe\u0301"});
        QCOMPARE(std::tuple(r.status, r.out), std::tuple(2, QString()));
        QCOMPARE(r.err, QString("tovelo-busca: Digite pelo menos 3 letras para buscar.\n"));
        QCOMPARE(busca({"--db", db}).status, 2);
        r = busca({"--db", db, "-x", "amor"});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("opção desconhecida: -x"));

        const QString missing = fx.dir.filePath("nada/Tovelo.mdb");
        r = busca({"--db", missing, "amor"});
        QCOMPARE(std::tuple(r.status, r.out), std::tuple(2, QString()));
        QVERIFY2(r.err.contains(missing) && r.err.contains("não foi encontrado"),
                 qPrintable(r.err));
        QVERIFY(!QFile::exists(missing));

        QFile junk(fx.dir.filePath("lixo.mdb"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        r = busca({"--db", junk.fileName(), "amor"});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(junk.fileName()), qPrintable(r.err));

        // A damaged page: nothing of what was read before it.
        const QString damaged = fx.dir.filePath("danificado.mdb");
        QVERIFY(QFile::copy(test::realContent(), damaged));
        test::damageLastPage(damaged, "BuscaIndice");
        r = busca({"--db", damaged, "Senhor"});
        QCOMPARE(std::tuple(r.status, r.out), std::tuple(2, QString()));
        QVERIFY2(r.err.startsWith("tovelo-busca: ") && r.err.contains(damaged), qPrintable(r.err));

        r = busca({"--help"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith("Uso: tovelo-busca [--db ARQUIVO] [-c] TEXTO..."));
        QVERIFY(r.out.contains("Saída: 0 quando achou versículos, 1 quando não achou nenhum, 2"));
    }

    void readsAnEditedFileWithoutWritingIt() {
        test::ContentFixture fx;
        const QString db = fx.database();
        QCOMPARE(plainSqlite(db, "UPDATE Versiculos SET Texto = 'Louvae ao Senhor.' WHERE "
                                 "Texto LIKE 'Refrigera%'"),
                 QString());
        QCOMPARE(busca({"--db", db, "louvai"}).out, QString("Salmos 23:3\tLouvae ao Senhor.\n"));
        QVERIFY(busca({"--db", db, "pentecostes"}).out.startsWith("Atos 2:1\t"));
        QCOMPARE(plainSqlite(db, "SELECT count(*) FROM BuscaPendente"), QString("1|"));

        // A file of the version whose copy held no chapter texts is searched all the same.
        QCOMPARE(plainSqlite(db, "DELETE FROM BuscaPendente; DROP TABLE BuscaTexto;"
                                 "UPDATE BuscaGrafia SET Versao = substr(Versao, 1, 16)"),
                 QString());
        QCOMPARE(busca({"--db", db, "pastor"}).out,
                 QString("Salmos 23:1\tO pastor cuida do rebanho.\n"));
    }
};

QTEST_GUILESS_MAIN(TestBusca)
#include "test_busca.moc"
