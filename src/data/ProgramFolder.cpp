#include "ProgramFolder.h"

#include "Schema.h"
#include "Upgrade.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cerrno>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace tovelo {
namespace {

const QString kDatabase = QStringLiteral("Tovelo.mdb");

class FolderError : public std::runtime_error {
public:
    explicit FolderError(const QString& why) : std::runtime_error(why.toStdString()) {}
};

// A copy interrupted by the end of its process leaves its temporary file behind.
void removeInterruptedCopies(const QString& folder) {
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({kDatabase + QStringLiteral(".*.parcial")}, QDir::Files))
        QFile::remove(dir.filePath(name));
}

// Copies under a temporary name in the same folder, then renames it into place. The rename
// never replaces a file already there.
void copyDatabase(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw FolderError(QStringLiteral("O banco de dados instalado não pôde ser lido (%1): %2")
                              .arg(from, in.errorString()));
    QTemporaryFile out(to + QStringLiteral(".XXXXXX.parcial"));
    if (!out.open())
        throw FolderError(QStringLiteral("Não foi possível gravar na pasta de dados (%1): %2")
                              .arg(QFileInfo(to).path(), out.errorString()));
    const auto failed = [&out, &to](bool full) {
        if (full)
            return FolderError(
                QStringLiteral("Não há espaço livre no disco da pasta %1 para a cópia do banco "
                               "de dados.")
                    .arg(QDir::toNativeSeparators(QFileInfo(to).path())));
        return FolderError(QStringLiteral("Não foi possível copiar o banco de dados para %1: %2")
                               .arg(to, out.errorString()));
    };
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty())
        if (!writeAll(out, chunk)) throw failed(out.error() == QFileDevice::ResourceError);
    if (in.error() != QFileDevice::NoError)
        throw FolderError(QStringLiteral("O banco de dados instalado não pôde ser lido (%1): %2")
                              .arg(from, in.errorString()));
    // On disk before it gets its name, so not even a power cut leaves a partial database there.
    if (::fsync(out.handle()) != 0) throw failed(errno == ENOSPC);
    if (out.size() != in.size()) throw failed(false);
    if (out.rename(to))
        out.setAutoRemove(false); // it would remove the file under its new name
    else if (!QFileInfo::exists(to))
        throw failed(false);
}

void prepareInstalled(Folders& f) {
    const QString shipped = QDir(f.shipped).filePath(kDatabase);
    const QString copy = QDir(f.data).filePath(kDatabase);
    if (!QFileInfo(shipped).isFile())
        throw FolderError(
            QStringLiteral("O banco de dados instalado não foi encontrado: %1").arg(shipped));
    if (!QDir().mkpath(f.data))
        throw FolderError(
            QStringLiteral("Não foi possível criar a pasta de dados %1.").arg(f.data));
    // Two starts at once take turns; a lock left by an ended process is taken over.
    QLockFile lock(QDir(f.data).filePath(kDatabase + QStringLiteral(".lock")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(30000))
        throw FolderError(
            lock.error() == QLockFile::LockFailedError
                ? QStringLiteral("Outra cópia do Tovelo não terminou de preparar a "
                                 "pasta de dados %1.")
                      .arg(f.data)
                : QStringLiteral("Não foi possível gravar na pasta de dados %1.").arg(f.data));
    removeInterruptedCopies(f.data);
    // An empty file there holds nothing to keep, and no content.
    if (QFileInfo(copy).isFile() && QFileInfo(copy).size() == 0) QFile::remove(copy);
    if (!QFileInfo::exists(copy)) copyDatabase(shipped, copy);
    f.database = copy;
    addShippedContent(copy, shipped);
}

std::optional<Folders>& current() {
    static std::optional<Folders> folders;
    return folders;
}

} // namespace

QString userDataFolder() {
    // Named here rather than after the running program, so every program of the package (the
    // window program and the command-line ones) shares the one folder.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tovelo");
}

Folders chooseFolders(const QString& executableFolder, const QString& userFolder) {
    const QString beside = QDir(executableFolder).filePath(kDatabase);
    Folders f;
    // SQLite writes its journal beside the database: the folder must take new files too.
    f.portable = QFileInfo(beside).isFile() && QFileInfo(beside).isWritable() &&
                 QFileInfo(executableFolder).isWritable();
    if (f.portable) {
        f.shipped = f.data = QDir::cleanPath(executableFolder);
        f.database = beside;
        return f;
    }
    f.shipped = QFileInfo(beside).isFile()
                    ? QDir::cleanPath(executableFolder)
                    : QDir::cleanPath(executableFolder + QStringLiteral("/" TOVELO_SHIPPED_FOLDER));
    f.data = QDir::cleanPath(userFolder);
    f.database = QDir(f.data).filePath(kDatabase);
    return f;
}

void prepareFolders(Folders& f) {
    if (f.portable) return;
    try {
        prepareInstalled(f);
    } catch (const std::exception& e) {
        f.problem = QString::fromUtf8(e.what());
        if (QFileInfo(f.database).isFile()) return; // the copy is there: only the upgrade failed
        f.database = QDir(f.shipped).filePath(kDatabase);
        f.readOnly = true;
        f.problem += QStringLiteral(" O Tovelo mostra o conteúdo instalado, sem as atualizações.");
    }
}

const Folders& folders() {
    if (!current()) {
        Folders f = chooseFolders(QCoreApplication::applicationDirPath(), userDataFolder());
        prepareFolders(f);
        current() = f;
    }
    return *current();
}

void setProgramFolder(const QString& folder) {
    if (folder.isEmpty()) {
        current().reset();
        return;
    }
    Folders f;
    f.shipped = f.data = folder;
    f.database = QDir(folder).filePath(kDatabase);
    current() = f;
}

void setFolders(const Folders& f) {
    current() = f;
}

QString dataFile(const QString& name) {
    return folders().data + QLatin1Char('/') + name;
}

QString mapPicture(const QString& name) {
    const QString own = folders().data + QStringLiteral("/Mapas/") + name;
    return QFileInfo::exists(own) ? own : folders().shipped + QStringLiteral("/Mapas/") + name;
}

bool writeAll(QFileDevice& file, QByteArrayView bytes) {
    // A write that runs out of room takes what fits and reports nothing; the next one fails
    // and says why.
    while (!bytes.isEmpty()) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0) return false;
        bytes = bytes.sliced(written);
    }
    return file.flush();
}

QString contentDatabase() {
    return folders().database;
}

ContentDb::ContentDb()
    : Db(folders().database, folders().readOnly ? Mode::ReadOnly : Mode::Existing) {
    bringUpToDate(*this);
}

ContentDb& KeptContentDb::get() {
    const auto version = [this] {
        QSqlQuery q = db_->run(QStringLiteral("PRAGMA data_version"));
        return nextRow(q) ? q.value(0) : QVariant();
    };
    if (db_ && file_ == contentDatabase() && version() == version_) return *db_;
    db_.reset();
    db_ = std::make_unique<ContentDb>();
    file_ = contentDatabase();
    version_ = version();
    return *db_;
}

} // namespace tovelo
