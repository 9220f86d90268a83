#include "Database.h"

#include "TextKeys.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <sqlite3.h>

#include <atomic>

namespace tovelo {
namespace {

std::string message(const QString& text) {
    return text.toStdString();
}

int compareTovelo(void*, int lenA, const void* a, int lenB, const void* b) {
    const auto qa = QString::fromRawData(static_cast<const QChar*>(a), lenA / 2);
    const auto qb = QString::fromRawData(static_cast<const QChar*>(b), lenB / 2);
    return QString::compare(sortKey(qa), sortKey(qb));
}

void registerFunctions(QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw DbError("O banco de dados de conteúdo não é um arquivo SQLite.");
    auto* h = *static_cast<sqlite3* const*>(handle.data());
    if (!h || sqlite3_create_collation_v2(h, "TOVELO", SQLITE_UTF16, nullptr, compareTovelo,
                                          nullptr) != SQLITE_OK)
        throw DbError("Não foi possível preparar o banco de dados de conteúdo.");
}

} // namespace

Db::Db(const QString& file, Mode mode) {
    static std::atomic<int> counter{0};
    name_ = QStringLiteral("tovelo-%1").arg(++counter);
    if (mode == Mode::Existing && !QFileInfo(file).isFile())
        throw DbError(message(
            QStringLiteral("O banco de dados de conteúdo não foi encontrado: %1").arg(file)));

    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db_.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    const QString uri = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath())
                            .toString(QUrl::FullyEncoded) +
                        (mode == Mode::Create ? "?mode=rwc" : "?mode=rw");
    db_.setDatabaseName(uri);
    if (!db_.open()) {
        const QString why = db_.lastError().text();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        throw DbError(message(
            QStringLiteral("Não foi possível abrir o banco de dados de conteúdo (%1): %2")
                .arg(file, why)));
    }
    try {
        registerFunctions(db_);
        // Fails at once on a file that is not a database, instead of at the first statement.
        run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (...) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        throw;
    }
}

Db::~Db() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

QSqlQuery Db::run(const QString& sql, const QVariantList& values) {
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw DbError(message(
            QStringLiteral("Erro no banco de dados de conteúdo: %1").arg(query.lastError().text())));
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        throw DbError(message(
            QStringLiteral("Erro no banco de dados de conteúdo: %1").arg(query.lastError().text())));
    return query;
}

void Db::begin() {
    run(QStringLiteral("BEGIN"));
}

void Db::commit() {
    run(QStringLiteral("COMMIT"));
}

void Db::rollback() {
    run(QStringLiteral("ROLLBACK"));
}

} // namespace tovelo
