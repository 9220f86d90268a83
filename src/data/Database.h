#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <stdexcept>

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
    QString name_;
    QSqlDatabase db_;
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
