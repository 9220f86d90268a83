#pragma once

#include "Database.h"

#include <QByteArrayView>
#include <QFileDevice>
#include <QString>
#include <QVariant>
#include <memory>

namespace tovelo {

// Where the files of a run lie. Two ways of running, chosen at start with no configuration:
// - portable: the folder of the executable holds a writable Tovelo.mdb; the database, the map
//   pictures (Mapas/) and the local update files all lie there;
// - installed: the shipped Tovelo.mdb and Mapas/ lie beside the executable (read-only there) or
//   in the shared data folder relative to it (../share/tovelo from bin/); the user's copy of the
//   database, the update files and any map pictures of the user's own lie in the user's data
//   folder (~/.local/share/Tovelo).
struct Folders {
    bool portable = true;
    QString shipped;  // holds the shipped Tovelo.mdb and Mapas/
    QString data;     // holds the update files and the user's own Mapas/; shipped when portable
    QString database; // the content database in use
    bool readOnly = false; // the shipped database, because the user's folder cannot hold a copy
    QString problem;       // why the user's folder could not be used fully; empty when it could
};

// The user's data folder: the standard place for a user's application data, then "Tovelo".
QString userDataFolder();

// Portable or installed, for an executable in `executableFolder`. Touches no file.
Folders chooseFolders(const QString& executableFolder, const QString& userFolder);

// Gives an installed run its database: the first start copies the shipped one into the user's
// folder (under a temporary name, renamed into place only once complete, so a failed or
// interrupted copy never leaves a partial database in use); a start after an upgrade adds what
// the newer shipped database brings. When the user's folder cannot hold a copy, the run reads
// the shipped database read-only and `problem` says why. Nothing to do for a portable run.
void prepareFolders(Folders& folders);

// The folders of this run, chosen and prepared on first use.
const Folders& folders();
// Tests: a portable program folder of their own (empty: back to the executable's).
void setProgramFolder(const QString& folder);
// Tests: exactly these folders, already prepared.
void setFolders(const Folders& folders);

// A local update file ("Estudos.txt", ...), in the data folder.
QString dataFile(const QString& name);
// A map picture: from the user's Mapas/ when it is there, else from the shipped Mapas/.
QString mapPicture(const QString& name);

// Writes all of `bytes` and flushes them. False when the file took less; its error() then says
// why, ResourceError when the disk is full.
bool writeAll(QFileDevice& file, QByteArrayView bytes);

// The content database of this run (folders().database).
QString contentDatabase();

// A connection to this run's content database, brought up to date (bringUpToDate); throws
// DbError when it cannot be opened.
class ContentDb : public Db {
public:
    ContentDb();
};

// A connection a window keeps between its searches, so that they read pages already in its
// cache: the same one while the file is this run's content database and no other connection
// has changed it since, a new one (brought up to date) otherwise.
class KeptContentDb {
public:
    ContentDb& get();

private:
    std::unique_ptr<ContentDb> db_;
    QString file_;
    QVariant version_; // PRAGMA data_version when last seen
};

} // namespace tovelo
