#include "UpdateCheck.h"

#include "AppCore.h"
#include "Net.h"
#include "TextKeys.h"
#include "UpdateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QUrl>
#include <optional>
#include <utility>

namespace tovelo {
namespace {

struct Kind {
    QString name;
    QString lookup; // the duplicate check, bound with the title's key
    QString insert; // bound with title, text (or picture) and key
};

const QList<Kind>& kinds() {
    static const QList<Kind> list = {
        {QStringLiteral("Estudos"), QStringLiteral("Select Titulo From Estudos Where Chave = ?"),
         QStringLiteral("insert into Estudos (Titulo, Texto, Chave) values (?, ?, ?)")},
        {QStringLiteral("Reflexoes"),
         QStringLiteral("Select Titulo From Ilustracoes Where Chave = ?"),
         QStringLiteral("insert into Ilustracoes (Titulo, Texto, Chave) values (?, ?, ?)")},
        {QStringLiteral("Mapas"), QStringLiteral("Select Titulo From Mapas where Chave = ?"),
         QStringLiteral("insert into Mapas (Titulo, Mapa, Chave) values (?, ?, ?)")},
    };
    return list;
}

qsizetype kindIndex(const QString& name) {
    for (qsizetype i = 0; i < kinds().size(); ++i)
        if (kinds().at(i).name == name) return i;
    return -1;
}

std::optional<PublicKey>& keyOverride() {
    static std::optional<PublicKey> key;
    return key;
}

void log(const QString& text) {
    qWarning("Tovelo: %s", qPrintable(text));
}

QString noRoom(const QString& folder) {
    return QStringLiteral("Não há espaço livre no disco da pasta %1: as atualizações não puderam "
                          "ser gravadas.")
        .arg(QDir::toNativeSeparators(folder));
}

} // namespace

const PublicKey& publisherKey() {
    if (keyOverride()) return *keyOverride();
    // The build checks its form; a key that cannot be read verifies nothing.
    static const PublicKey compiledIn =
        readPublicKey(TOVELO_PUBLISHER_KEY_TEXT).value_or(PublicKey{});
    return compiledIn;
}

void setPublisherKey(const PublicKey& key) {
    keyOverride() = key;
}

UpdateCheck::UpdateCheck(QObject* parent) : QObject(parent) {}

UpdateCheck::~UpdateCheck() = default;

void UpdateCheck::start() {
    if (running_) return;
    imported_.clear();
    problem_.clear();
    stop_ = false;
    // Another copy of the program checking at the same time would fetch and import the same
    // files: it has the check for this start, and this copy leaves it to it.
    lock_ = std::make_unique<QLockFile>(dataFile(QStringLiteral("Atualizacoes.lock")));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        log(lock_->error() == QLockFile::LockFailedError
                ? QStringLiteral("outra cópia do programa já busca as atualizações.")
                : QStringLiteral("as atualizações não foram buscadas: a pasta de dados não "
                                 "aceita gravação."));
        lock_.reset();
        emit finished({}, {});
        return;
    }
    running_ = true;
    kind = kinds().first().name;
    try {
        CheckUpdate();
    } catch (...) {
        end();
        throw;
    }
}

void UpdateCheck::CheckUpdate() {
    {
        ContentDb db;
        QSqlQuery q = db.run(QStringLiteral("Select * from Atualizacoes where Tipo = ? COLLATE "
                                            "TOVELO order by Num desc"),
                             {kind});
        int next = 1;
        if (nextRow(q)) {
            bool ok = false;
            next = q.value(QStringLiteral("Num")).toInt(&ok) + 1;
            if (!ok) throw DbError("O registro de atualizações está danificado.");
        }
        // The number travels as a 16-bit value: past its end there is no next file to ask for.
        if (next < 1 || next > 32767)
            throw DbError("O número da próxima atualização está fora do limite.");
        number = next;
    }
    url =
        publisherAddress(QLatin1Char('/') + kind + QString::number(number) + QStringLiteral(".txt"))
            .toString();
    Download(url, dataFile(kind + QStringLiteral(".txt")));
}

bool UpdateCheck::Download(const QString& address, const QString& file) {
    url = address;
    localFile = file;
    // Removed before the request, so a file from an earlier start never survives a failed
    // download.
    QFile::remove(file);
    request_ = new HttpGet(QUrl(address), limit_, kFileLimit, this);
    connect(request_, &HttpGet::finished, this, &UpdateCheck::fileArrived);
    return true;
}

void UpdateCheck::fileArrived() {
    HttpGet* request = std::exchange(request_, nullptr);
    const HttpAnswer answer = request->answer();
    request->deleteLater();
    // Only a whole answer with status 200 that is not a web page can be an update file. The
    // publisher's "not found" is the usual answer when nothing new was published.
    if (!answer.ok) return reject(answer.error);
    if (answer.status == 404) return reject({});
    if (answer.status != 200)
        return reject(QStringLiteral("o servidor respondeu com o código %1").arg(answer.status));
    if (answer.contentType.contains(QLatin1String("html"), Qt::CaseInsensitive))
        return reject(QStringLiteral("o servidor mandou uma página da web"));
    file_ = answer.body;
    request_ = new HttpGet(QUrl(url + QStringLiteral(".minisig")), limit_, kSignatureLimit, this);
    connect(request_, &HttpGet::finished, this, &UpdateCheck::signatureArrived);
}

void UpdateCheck::signatureArrived() {
    HttpGet* request = std::exchange(request_, nullptr);
    const HttpAnswer answer = request->answer();
    request->deleteLater();
    if (!answer.ok || answer.status != 200)
        return reject(
            QStringLiteral("a assinatura não veio (%1)")
                .arg(answer.ok ? QStringLiteral("código %1").arg(answer.status) : answer.error));
    const QString name = QUrl(url).fileName();
    if (const QString why = signatureProblem(publisherKey(), file_, answer.body, name);
        !why.isEmpty())
        return reject(why);

    QFile out(localFile);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || !writeAll(out, file_)) {
        const QString why = out.errorString();
        if (out.error() == QFileDevice::ResourceError) {
            problem_ = noRoom(QFileInfo(localFile).absolutePath());
            stop_ = true;
        }
        out.remove();
        return reject(QStringLiteral("o arquivo %1 não pôde ser gravado: %2").arg(localFile, why));
    }
    out.close();
    ImportUpdate(std::exchange(file_, {}));
    nextKind();
}

void UpdateCheck::reject(const QString& why) {
    if (!why.isEmpty()) log(QStringLiteral("a atualização %1 foi recusada: %2.").arg(url, why));
    file_.clear();
    nextKind();
}

void UpdateCheck::nextKind() {
    const qsizetype next = kindIndex(kind) + 1;
    if (stop_ || next <= 0 || next >= kinds().size()) return end();
    kind = kinds().at(next).name;
    try {
        CheckUpdate();
    } catch (const std::exception& e) {
        log(QString::fromUtf8(e.what()));
        end();
    }
}

void UpdateCheck::end() {
    running_ = false;
    kind.clear();
    lock_.reset();
    if (!problem_.isEmpty()) log(problem_);
    emit finished(imported_, problem_);
}

void UpdateCheck::ImportUpdate(const QByteArray& bytes) {
    pendingTitle.clear();
    pendingText.clear();
    if (!acceptUpdate(bytes) || kindIndex(kind) < 0) return;
    const QList<UpdateRecord> records = readUpdateRecords(bytes);
    try {
        ContentDb db;
        // One transaction per file: the records and their number arrive together. It takes the
        // write lock first and looks for the number again, so that no two copies of the program
        // import the same file.
        Transaction transaction(db, Transaction::Lock::Immediate);
        QSqlQuery done = db.run(QStringLiteral("Select Num from Atualizacoes where Tipo = ? "
                                               "COLLATE TOVELO and Num >= ?"),
                                {kind, number});
        if (nextRow(done)) return;
        int added = 0;
        for (const UpdateRecord& record : records) {
            pendingTitle = record.title;
            pendingText = record.text;
            try {
                if (SaveRecord(db)) ++added;
            } catch (const DiskFull&) {
                throw; // not this record's fault: the whole file waits for room
            } catch (const DbError&) {
                // Abandons this record only.
            }
        }
        FinishUpdate(db);
        transaction.commit();
        imported_.append({kind, number, added});
    } catch (const DbError& e) {
        // Without its number recorded the file comes again next start; stop for this one.
        stop_ = true;
        if (dynamic_cast<const DiskFull*>(&e))
            problem_ = noRoom(QFileInfo(contentDatabase()).absolutePath());
        else
            log(QString::fromUtf8(e.what()));
    }
}

bool UpdateCheck::SaveRecord(Db& db) {
    if (pendingTitle.isEmpty()) pendingTitle = QStringLiteral(" ");
    if (pendingText.isEmpty()) pendingText = QStringLiteral(" ");
    const qsizetype k = kindIndex(kind);
    if (k < 0 || pendingTitle == QStringLiteral(" ")) return false;
    const QString key = sortKey(pendingTitle);
    QSqlQuery present = db.run(kinds().at(k).lookup, {key});
    if (nextRow(present)) return false;
    db.run(kinds().at(k).insert, {pendingTitle, pendingText, key});
    return true;
}

void UpdateCheck::FinishUpdate(Db& db) {
    db.run(QStringLiteral("insert into Atualizacoes (Tipo, Num) values (?, ?)"), {kind, number});
}

} // namespace tovelo
