#pragma once

#include "Signature.h"

#include <QList>
#include <QLockFile>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <memory>

namespace tovelo {

class Db;
class HttpGet;

// The key the publisher signs its update files with, compiled into the program.
const PublicKey& publisherKey();
void setPublisherKey(const PublicKey& key); // tests sign with keys of their own

// One update file the check imported.
struct ImportedUpdate {
    QString kind;    // "Estudos", "Reflexoes" or "Mapas"
    int number = 0;  // the file's number
    int records = 0; // how many of its records were new
    bool operator==(const ImportedUpdate&) const = default;
};

// The update check that the main window runs once per start: for each kind ("Estudos",
// "Reflexoes", "Mapas", in this order) it fetches the next numbered file from the publisher and
// its signature, and imports the file's new records into the content database with its number
// when the publisher's key signed it under its own name. Each step runs when the answer it waits
// for arrives, so the windows stay usable meanwhile. The state stays readable so the steps can
// be followed.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kRequestLimit{60000};
    // The largest update file taken, 4 MiB: far above what one file of new studies holds.
    static constexpr qint64 kFileLimit = 4 * 1024 * 1024;
    static constexpr qint64 kSignatureLimit = 16 * 1024;

    explicit UpdateCheck(QObject* parent = nullptr);
    ~UpdateCheck() override;

    // Starts with the first kind and returns; finished() follows. A failure to read the first
    // kind's number propagates (the caller shows it); later ones end the check quietly. While
    // another copy of the program checks for updates on the same data folder, this one does not.
    void start();
    bool running() const { return running_; }

    void CheckUpdate();
    bool Download(const QString& url, const QString& file);
    void ImportUpdate(const QByteArray& bytes);
    bool SaveRecord(Db& db); // true when the pending record was stored
    void FinishUpdate(Db& db);

    // Tests use a short wait instead of a minute.
    void setRequestLimit(std::chrono::milliseconds limit) { limit_ = limit; }

    QString kind;      // the current kind; empty outside a check
    int number = 0;    // next update number of the kind, 1..32767
    QString url;       // the address being fetched
    QString localFile; // where it is written in the data folder
    QString pendingTitle;
    QString pendingText;

signals:
    // The check is over: the files it imported, in order, and what the user must be told about
    // it (a full disk), or nothing.
    void finished(const QList<tovelo::ImportedUpdate>& imported, const QString& problem);

private:
    void fileArrived();
    void signatureArrived();
    void reject(const QString& why);
    void nextKind();
    void end();

    std::chrono::milliseconds limit_ = kRequestLimit;
    std::unique_ptr<QLockFile> lock_; // held on the data folder while the check runs
    QPointer<HttpGet> request_;
    QByteArray file_; // the update file, while its signature is fetched
    QList<ImportedUpdate> imported_;
    QString problem_;
    bool running_ = false;
    bool stop_ = false; // the database could not take a file: no further kind this start
};

} // namespace tovelo
