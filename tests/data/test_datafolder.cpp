#include "Builder.h"
#include "ProgramFolder.h"
#include "TestSupport.h"

#include <QtTest>

using namespace tovelo;

namespace {

QByteArray bytesOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& file, const QByteArray& bytes = {}) {
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

} // namespace

// An installed layout in a folder of its own: prefix/bin, prefix/share/tovelo with the shipped
// database (built from the test fixtures), and a home for the user's data folder. The installed
// program itself, with an interrupted first copy, is tried in tests/install.
class TestDataFolder : public QObject {
    Q_OBJECT
private slots:
    void init() {
        root.emplace();
        QVERIFY(QDir().mkpath(bin()));
        QVERIFY(QDir().mkpath(root->filePath("usr/share/tovelo/Mapas")));
        content::buildDatabase(test::fixture("scripture.tsv"), test::fixture("authored"),
                               shipped());
    }
    void cleanup() { setProgramFolder({}); }

    void portableBesideAWritableDatabaseElseInstalled() {
        QVERIFY(QFile::copy(shipped(), bin() + "/Tovelo.mdb"));
        Folders portable = chooseFolders(bin(), user());
        QVERIFY(portable.portable);
        QCOMPARE(portable.data + ' ' + portable.shipped + ' ' + portable.database,
                 bin() + ' ' + bin() + ' ' + bin() + "/Tovelo.mdb");
        prepareFolders(portable); // the program folder is left as it is
        QVERIFY(!QFileInfo::exists(user()));

        QVERIFY(QFile::remove(bin() + "/Tovelo.mdb"));
        const Folders installed = chooseFolders(bin(), user());
        QVERIFY(!installed.portable);
        QCOMPARE(installed.data + ' ' + installed.shipped + ' ' + installed.database,
                 user() + ' ' + root->filePath("usr/share/tovelo") + ' ' + user() + "/Tovelo.mdb");
    }

    // An empty file under the name (from a start that could not finish its copy) is replaced
    // by a whole copy; a partial copy left behind is tried on the installed program.
    void anEmptyCopyIsReplaced() {
        QVERIFY(QDir().mkpath(user()));
        write(user() + "/Tovelo.mdb");
        const Folders f = prepared();
        QCOMPARE(f.problem + f.database, user() + "/Tovelo.mdb");
        QCOMPARE(bytesOf(f.database), bytesOf(shipped()));
    }

    void anUnusableDataFolderReadsTheShippedDatabase() {
        QVERIFY(QDir().mkpath(root->filePath("home/.local")));
        write(root->filePath("home/.local/share")); // a file where the folder should be
        const Folders f = prepared();
        QVERIFY(f.problem.contains(user()));
        QVERIFY(f.readOnly);
        QCOMPARE(f.database, shipped());

        // The windows read it; nothing, not even an update import, writes into it.
        const QByteArray before = bytesOf(shipped());
        setFolders(f);
        {
            ContentDb db;
            QSqlQuery q = db.run("SELECT count(*) FROM Versiculos");
            QVERIFY(q.next() && q.value(0).toInt() > 0);
            QVERIFY_THROWS_EXCEPTION(DbError, db.run("INSERT INTO Atualizacoes VALUES ('X', 1)"));
        }
        QCOMPARE(bytesOf(shipped()), before);
    }

    void mapPicturesFromTheUserFolderFirst() {
        const Folders f = prepared();
        setFolders(f);
        QVERIFY(QDir().mkpath(user() + "/Mapas"));
        for (const QString& file :
             {f.shipped + "/Mapas/a.jpg", f.shipped + "/Mapas/b.jpg", user() + "/Mapas/b.jpg"})
            write(file);
        QCOMPARE(mapPicture("a.jpg"), f.shipped + "/Mapas/a.jpg");
        QCOMPARE(mapPicture("b.jpg"), user() + "/Mapas/b.jpg");
        QCOMPARE(dataFile("Mapas.txt"), user() + "/Mapas.txt");
    }

private:
    QString bin() const { return root->filePath("usr/bin"); }
    QString shipped() const { return root->filePath("usr/share/tovelo/Tovelo.mdb"); }
    QString user() const { return root->filePath("home/.local/share/Tovelo"); }
    Folders prepared() const {
        Folders f = chooseFolders(bin(), user());
        prepareFolders(f);
        return f;
    }

    std::optional<QTemporaryDir> root;
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "test_datafolder.moc"
