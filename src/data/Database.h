#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tovelo {

// A database failure, with a description the user can read.
class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The disk holding the database has no room left.
class DiskFull : public DbError {
public:
    using DbError::DbError;
};

// One connection to the content database, released when it goes out of scope. Every text
// comparison the statements need beyond the built-in ones uses the collation TOVELO: letter case
// ignored (É equals é), accents kept, Portuguese order.
class Db {
public:
    // Existing: an existing file, read and written; ReadOnly: an existing file, only read
    // (statements that write fail); Create: created when missing.
    enum class Mode { Existing, ReadOnly, Create };
    explicit Db(const QString& file, Mode mode = Mode::Existing);
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // Runs one statement, the values bound in order. Throws DbError when it fails.
    QSqlQuery run(const QString& sql, const QVariantList& values = {});

private:
    friend class RawQuery;
    QString name_;
    QSqlDatabase db_;
};

// A statement run on the engine's own interface, prepared once: large values are read without
// copies. Its one parameter, if it has one, is a number.
class RawQuery {
public:
    RawQuery(Db& db, const QString& sql);
    ~RawQuery();
    RawQuery(const RawQuery&) = delete;
    RawQuery& operator=(const RawQuery&) = delete;

    // Runs the statement for its first row and hands `read` the bytes of each column, valid
    // while `read` runs. False when there is no row. Throws DbError when it fails.
    using Reader = std::function<void(const std::vector<std::string_view>&)>;
    bool first(const Reader& read);
    bool first(std::int64_t value, const Reader& read);
    // Hands `read` every row in turn.
    void each(const Reader& read);
    void each(std::int64_t value, const Reader& read);

private:
    bool next(const Reader& read);
    [[noreturn]] void fail(int code) const;
    sqlite3* handle_;
    sqlite3_stmt* statement_ = nullptr;
    QString fileName_;
    std::vector<std::string_view> columns_; // of the row read, kept to spare an allocation a row
};

// A transaction on a connection: what runs inside it lands only when commit() is called; leaving
// the scope otherwise (a failure thrown, an early return) rolls it back. Immediate takes the
// write lock at once, so two programs that read before they write take turns instead of one of
// them failing half-way.
class Transaction {
public:
    enum class Lock { Deferred, Immediate };
    explicit Transaction(Db& db, Lock lock = Lock::Deferred);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Db& db_;
    bool open_ = true;
};

// Steps to the next row of a statement run by Db::run. False after the last row; throws DbError
// when the rows cannot be read to the end (a damaged page), so a part is never taken for all.
bool nextRow(QSqlQuery& query);

} // namespace tovelo
