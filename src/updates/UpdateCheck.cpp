#include "UpdateCheck.h"

#include "AppCore.h"
#include "Net.h"
#include "TextKeys.h"
#include "UpdateFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QUrl>

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

const Kind* kindNamed(const QString& name) {
    for (const Kind& k : kinds())
        if (k.name == name) return &k;
    return nullptr;
}

} // namespace

void UpdateCheck::run() {
    ended_ = false;
    const auto done = qScopeGuard([this] { kind.clear(); });
    for (qsizetype i = 0; i < kinds().size(); ++i) {
        kind = kinds().at(i).name;
        if (i == 0) {
            CheckUpdate();
        } else {
            try {
                CheckUpdate();
            } catch (...) {
                return;
            }
        }
        if (ended_) return;
    }
}

void UpdateCheck::CheckUpdate() {
    QCoreApplication::processEvents();
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
    url = QStringLiteral("http://") + publisherHost() + QLatin1Char('/') + kind +
          QString::number(number) + QStringLiteral(".txt");
    localFile = dataFile(kind + QStringLiteral(".txt"));
    Download(url, localFile);
}

bool UpdateCheck::Download(const QString& address, const QString& file) {
    QCoreApplication::processEvents();
    url = address;
    localFile = file;
    written_ = false;
    try {
        // Emptied before the request, so a file from an earlier start never survives a failed
        // download; one that cannot be rewritten is rejected instead of imported.
        QFile out(file);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            const HttpAnswer answer = httpGet(QUrl(address), limit_, kFileLimit);
            // Only a 2xx answer that arrived whole and is not a web page is an update file.
            // Anything else (an error page, a redirect, a body cut off, compressed or too large,
            // a portal's login page) is a failed download: the file stays empty, is rejected,
            // and the same number is asked for again at the next start.
            const bool isFile =
                answer.whole && answer.status / 100 == 2 &&
                !answer.contentType.contains(QLatin1String("html"), Qt::CaseInsensitive);
            const QByteArray body = isFile ? answer.body : QByteArray();
            const bool complete = out.write(body) == body.size() && out.flush();
            out.close();
            written_ = complete && out.error() == QFileDevice::NoError;
        }
    } catch (...) {
        written_ = false;
    }
    ImportUpdate();
    return true;
}

void UpdateCheck::ImportUpdate() {
    QByteArray bytes;
    if (written_) {
        QFile in(localFile);
        if (in.open(QIODevice::ReadOnly)) bytes = in.readAll();
    }
    pendingTitle.clear();
    pendingText.clear();
    if (!acceptUpdate(bytes) || !kindNamed(kind)) return;
    const QList<UpdateRecord> records = readUpdateRecords(bytes);
    try {
        // One transaction per file: fast, and the records and their number arrive together.
        ContentDb db;
        Transaction transaction(db);
        for (const UpdateRecord& record : records) {
            pendingTitle = record.title;
            pendingText = record.text;
            try {
                SaveRecord(db);
            } catch (const DiskFull&) {
                throw; // not this record's fault: the whole file waits for room
            } catch (const DbError&) {
                // Abandons this record only.
            }
        }
        FinishUpdate(db);
        transaction.commit();
    } catch (...) {
        // Without its number recorded the file comes again next start; stop for this one.
        ended_ = true;
    }
}

void UpdateCheck::SaveRecord(Db& db) {
    if (pendingTitle.isEmpty()) pendingTitle = QStringLiteral(" ");
    if (pendingText.isEmpty()) pendingText = QStringLiteral(" ");
    const Kind* k = kindNamed(kind);
    if (!k || pendingTitle == QStringLiteral(" ")) return;
    const QString key = sortKey(pendingTitle);
    QSqlQuery present = db.run(k->lookup, {key});
    if (nextRow(present)) return;
    db.run(k->insert, {pendingTitle, pendingText, key});
}

void UpdateCheck::FinishUpdate(Db& db) {
    db.run(QStringLiteral("insert into Atualizacoes (Tipo, Num) values (?, ?)"), {kind, number});
}

} // namespace tovelo
