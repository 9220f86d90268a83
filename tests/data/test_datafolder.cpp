#include "Builder.h"
#include "ProgramFolder.h"
#include "TestSupport.h"

#include <QtTest>
#include <csignal>
#include <sys/resource.h>

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
// program itself, cut off in its first copy, is tried in tests/install.
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

    // A copy that fails half-way (the disk full) is never used: the installed database is read
    // instead. What a start cut off in its copy may leave, a partial copy and an empty file
    // under the name, is replaced by a whole copy at the next start.
    void anInterruptedCopyIsNeverUsed() {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit half = saved;
        half.rlim_cur = QFileInfo(shipped()).size() / 2;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN); // writes past it fail instead
        setrlimit(RLIMIT_FSIZE, &half);
        const Folders full = prepared();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QVERIFY(!full.problem.isEmpty() && full.readOnly);
        QCOMPARE(full.database, shipped());
        QVERIFY(!QFileInfo::exists(user() + "/Tovelo.mdb"));

        write(user() + "/Tovelo.mdb.x1y2z3.parcial", bytesOf(shipped()).left(4096));
        write(user() + "/Tovelo.mdb");
        const Folders f = prepared();
        QCOMPARE(f.problem + f.database, user() + "/Tovelo.mdb");
        QCOMPARE(bytesOf(f.database), bytesOf(shipped()));
        QCOMPARE(QDir(user()).entryList({"*.parcial"}), QStringList());
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
