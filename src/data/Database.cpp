#include "Database.h"

#include "TextKeys.h"
#include "VerseIndex.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <sqlite3.h>
#include <string>

namespace tovelo {
namespace {

// The connection's file travels on its driver, so that a failure found while stepping through
// rows can still name it.
constexpr char kFile[] = "toveloFile";

// Throws what happened, in plain words, by the engine's result code; the engine's own text
// follows only as a detail.
[[noreturn]] void fail(const QSqlError& error, const QString& file) {
    const int code = error.nativeErrorCode().toInt() & 0xff;
    const QFileInfo info(file);
    QString what;
    switch (code) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        what = QStringLiteral("O arquivo %1 está danificado.");
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        what = QStringLiteral("O arquivo %1 está bloqueado por outro programa.");
        break;
    case SQLITE_CANTOPEN:
        what = QStringLiteral("O arquivo %1 não pôde ser aberto.");
        break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        what = QStringLiteral("Não há permissão para usar o arquivo %1.");
        break;
    case SQLITE_READONLY:
        what = QStringLiteral("O arquivo %1 está protegido contra gravação.");
        break;
    case SQLITE_FULL:
        what = QStringLiteral("Não há espaço livre no disco da pasta %2: o arquivo %1 não pôde "
                              "ser gravado.");
        break;
    case SQLITE_IOERR:
        what = QStringLiteral("Houve um erro do disco ao ler ou gravar o arquivo %1.");
        break;
    case SQLITE_NOMEM:
        what = QStringLiteral("Falta memória para usar o arquivo %1.");
        break;
    default:
        what = QStringLiteral("Não foi possível usar o arquivo %1.");
    }
    QString text = what.contains(QLatin1String("%2"))
                       ? what.arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()))
                       : what.arg(info.fileName());
    const QString detail = error.databaseText().trimmed();
    if (!detail.isEmpty()) text += QStringLiteral("\n\nDetalhe: ") + detail;
    if (code == SQLITE_FULL) throw DiskFull(text.toStdString());
    throw DbError(text.toStdString());
}

int compareTovelo(void*, int lenA, const void* a, int lenB, const void* b) {
    const auto qa = QString::fromRawData(static_cast<const QChar*>(a), lenA / 2);
    const auto qb = QString::fromRawData(static_cast<const QChar*>(b), lenB / 2);
    return QString::compare(sortKey(qa), sortKey(qb));
}

// versiculos(chapter, word): the numbers of the verses of a search row that hold the word, in
// ascending order, as "1,4,7", or null. Works on the stored UTF-8 bytes: converting every
// chapter into the program's strings would cost more than the whole search.
void versiculos(sqlite3_context* context, int, sqlite3_value** args) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
    const auto* word = reinterpret_cast<const char*>(sqlite3_value_text(args[1]));
    if (!text || !word) {
        sqlite3_result_null(context);
        return;
    }
    std::vector<int> verses = versesContaining({text, size_t(sqlite3_value_bytes(args[0]))},
                                               {word, size_t(sqlite3_value_bytes(args[1]))});
    if (verses.empty()) {
        sqlite3_result_null(context);
        return;
    }
    std::sort(verses.begin(), verses.end());
    std::string out;
    out.reserve(verses.size() * 4);
    for (int v : verses) {
        if (!out.empty()) out += ',';
        char digits[12];
        out.append(digits, std::to_chars(digits, digits + sizeof digits, v).ptr);
    }
    sqlite3_result_text(context, out.data(), int(out.size()), SQLITE_TRANSIENT);
}

// chave(text): the key of a name or title (sortKey), for rows whose stored key cannot be trusted.
void chave(sqlite3_context* context, int, sqlite3_value** args) {
    const auto* text = static_cast<const QChar*>(sqlite3_value_text16(args[0]));
    if (!text) {
        sqlite3_result_null(context);
        return;
    }
    const QString key = sortKey(QString(text, sqlite3_value_bytes16(args[0]) / 2));
    sqlite3_result_text16(context, key.utf16(), int(key.size() * 2), SQLITE_TRANSIENT);
}

void registerFunctions(QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw DbError("O banco de dados de conteúdo não é um arquivo SQLite.");
    auto* h = *static_cast<sqlite3* const*>(handle.data());
    if (!h ||
        sqlite3_create_collation_v2(h, "TOVELO", SQLITE_UTF16, nullptr, compareTovelo, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_function_v2(h, "versiculos", 2,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   versiculos, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(h, "chave", 1,
                                   SQLITE_UTF16 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   chave, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DbError("Não foi possível preparar o banco de dados de conteúdo.");
}

} // namespace

Db::Db(const QString& file, Mode mode) {
    static std::atomic<int> counter{0};
    name_ = QStringLiteral("tovelo-%1").arg(++counter);
    const QFileInfo info(file);
    if (mode != Mode::Create && !info.isFile())
        throw DbError(QStringLiteral("O arquivo %1 não foi encontrado na pasta %2.")
                          .arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()))
                          .toStdString());

    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db_.driver()->setProperty(kFile, info.absoluteFilePath());
    db_.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    const QString uri = QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded) +
                        (mode == Mode::Create     ? "?mode=rwc"
                         : mode == Mode::ReadOnly ? "?mode=ro"
                                                  : "?mode=rw");
    db_.setDatabaseName(uri);
    if (!db_.open()) {
        const QSqlError why = db_.lastError();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        fail(why, info.absoluteFilePath());
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
    const QString fileName = db_.driver()->property(kFile).toString();
    if (!query.prepare(sql)) fail(query.lastError(), fileName);
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec()) fail(query.lastError(), fileName);
    return query;
}

bool nextRow(QSqlQuery& query) {
    if (query.next()) return true;
    if (query.lastError().isValid()) {
        const QSqlDriver* driver = query.driver();
        fail(query.lastError(), driver ? driver->property(kFile).toString() : QString());
    }
    return false;
}

RawQuery::RawQuery(Db& db, const QString& sql)
    : handle_(*static_cast<sqlite3* const*>(db.db_.driver()->handle().constData())),
      fileName_(db.db_.driver()->property(kFile).toString()) {
    const QByteArray text = sql.toUtf8();
    if (const int code =
            sqlite3_prepare_v2(handle_, text.constData(), int(text.size()), &statement_, nullptr))
        fail(code);
}

RawQuery::~RawQuery() {
    sqlite3_finalize(statement_);
}

void RawQuery::fail(int code) const {
    tovelo::fail(QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(handle_)),
                           QSqlError::StatementError, QString::number(code)),
                 fileName_);
}

bool RawQuery::first(std::int64_t value, const Reader& read) {
    sqlite3_bind_int64(statement_, 1, value);
    return first(read);
}

bool RawQuery::next(const Reader& read) {
    const int step = sqlite3_step(statement_);
    if (step == SQLITE_DONE) return false;
    if (step != SQLITE_ROW) {
        sqlite3_reset(statement_);
        fail(step);
    }
    columns_.clear();
    for (int i = 0; i < sqlite3_column_count(statement_); ++i) {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, i));
        columns_.emplace_back(bytes ? bytes : "", size_t(sqlite3_column_bytes(statement_, i)));
    }
    const int code = sqlite3_errcode(handle_);
    if (code != SQLITE_OK && code != SQLITE_ROW) {
        sqlite3_reset(statement_);
        fail(code);
    }
    read(columns_);
    return true;
}

bool RawQuery::first(const Reader& read) {
    const bool row = next(read);
    sqlite3_reset(statement_);
    return row;
}

void RawQuery::each(std::int64_t value, const Reader& read) {
    sqlite3_bind_int64(statement_, 1, value);
    each(read);
}

void RawQuery::each(const Reader& read) {
    while (next(read)) {
    }
    sqlite3_reset(statement_);
}

Transaction::Transaction(Db& db, Lock lock) : db_(db) {
    db_.run(lock == Lock::Immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
}

Transaction::~Transaction() {
    if (!open_) return;
    try {
        db_.run(QStringLiteral("ROLLBACK"));
    } catch (const DbError&) {
        // A failed statement may have ended the transaction already.
    }
}

void Transaction::commit() {
    db_.run(QStringLiteral("COMMIT"));
    open_ = false;
}

} // namespace tovelo
