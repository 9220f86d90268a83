#include "Builder.h"
#include "ProgramFolder.h"
#include "TestSupport.h"

#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace tovelo;

namespace {

QByteArray bytesOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList partialCopies(const QString& folder) {
    return QDir(folder).entryList({"*.parcial"}, QDir::Files);
}

// Writes past `bytes` fail the way they do on a full disk (the signal that would end the
// process is ignored); restored when it goes out of scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

} // namespace

// An installed layout in a folder of its own: prefix/bin, prefix/share/tovelo with the shipped
// database (built from the test fixtures), and a home for the user's data folder.
class TestDataFolder : public QObject {
    Q_OBJECT
private slots:
    void init() {
        root.reset(new QTemporaryDir);
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
        QCOMPARE(portable.data, bin());
        QCOMPARE(portable.shipped, bin());
        QCOMPARE(portable.database, bin() + "/Tovelo.mdb");
        prepareFolders(portable); // the program folder is left as it is
        QVERIFY(!QFileInfo::exists(user()));

        QVERIFY(QFile::remove(bin() + "/Tovelo.mdb"));
        const Folders installed = chooseFolders(bin(), user());
        QVERIFY(!installed.portable);
        QCOMPARE(installed.shipped, root->filePath("usr/share/tovelo"));
        QCOMPARE(installed.data, user());
        QCOMPARE(installed.database, user() + "/Tovelo.mdb");
    }

    void readOnlyDatabaseBesideTheProgramIsShipped() {
        if (::geteuid() == 0) QSKIP("file permissions do not bind root");
        QVERIFY(QFile::copy(shipped(), bin() + "/Tovelo.mdb"));
        QVERIFY(QFile::setPermissions(bin() + "/Tovelo.mdb", QFile::ReadOwner));
        const Folders f = chooseFolders(bin(), user());
        QVERIFY(!f.portable);
        QCOMPARE(f.shipped, bin());
        QCOMPARE(f.data, user());
    }

    void firstStartCopiesAndLaterStartsKeepTheCopy() {
        // What an interrupted copy may leave: a partial file, and an empty one under the name.
        QVERIFY(QDir().mkpath(user()));
        QFile partial(user() + "/Tovelo.mdb.x1y2z3.parcial");
        QVERIFY(partial.open(QIODevice::WriteOnly));
        partial.write(bytesOf(shipped()).left(4096));
        partial.close();
        QFile empty(user() + "/Tovelo.mdb");
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();

        const Folders f = prepared();
        QCOMPARE(f.problem, QString());
        QVERIFY(!f.readOnly);
        QCOMPARE(f.database, user() + "/Tovelo.mdb");
        QCOMPARE(bytesOf(f.database), bytesOf(shipped()));
        QVERIFY(partialCopies(user()).isEmpty());

        // What the copy gained (an update) survives every later start.
        Db(f.database).run("INSERT INTO Estudos (Titulo, Texto) VALUES ('Baixado', '41')");
        prepared();
        Db db(f.database);
        QSqlQuery q = db.run("SELECT count(*) FROM Estudos WHERE Titulo = 'Baixado'");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
    }

    void aFullDiskLeavesNoCopyInUse() {
        Folders f;
        {
            const FileSizeLimit limit(QFileInfo(shipped()).size() / 2);
            f = prepared();
        }
        QVERIFY(!f.problem.isEmpty());
        QVERIFY(f.readOnly);
        QCOMPARE(f.database, shipped());
        QVERIFY(!QFileInfo::exists(user() + "/Tovelo.mdb"));
        QVERIFY(partialCopies(user()).isEmpty());

        // Room again: the next start makes a good copy.
        const Folders next = prepared();
        QCOMPARE(next.problem, QString());
        QCOMPARE(bytesOf(next.database), bytesOf(shipped()));
    }

    void anUnusableDataFolderReadsTheShippedDatabase() {
        QFile blocker(root->filePath("home/.local/share"));
        QVERIFY(QDir().mkpath(root->filePath("home/.local")));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();

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
            QVERIFY(q.next());
            QVERIFY(q.value(0).toInt() > 0);
            QVERIFY_THROWS_EXCEPTION(DbError, db.run("INSERT INTO Atualizacoes VALUES ('X', 1)"));
        }
        QCOMPARE(bytesOf(shipped()), before);
    }

    void mapPicturesFromTheUserFolderFirst() {
        Folders f = prepared();
        setFolders(f);
        QVERIFY(QDir().mkpath(user() + "/Mapas"));
        for (const QString& file :
             {f.shipped + "/Mapas/a.jpg", f.shipped + "/Mapas/b.jpg", user() + "/Mapas/b.jpg"}) {
            QFile picture(file);
            QVERIFY(picture.open(QIODevice::WriteOnly));
        }
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

    std::unique_ptr<QTemporaryDir> root;
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "test_datafolder.moc"
