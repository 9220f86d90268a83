#pragma once

#include <QString>

namespace tovelo {

class Db;

// The version of the content a database holds (table Conteudo): a digest of its rows, written
// when the database is built and copied into a user's copy once its new content has been added.
// Empty when the database records none.
QString contentVersion(Db& db);
QString contentDigest(Db& db);

// Adds to the user's copy `user` what the shipped database `shipped` has and the copy lacks:
// studies, reflections and maps (told apart by their title's key, as the update import does),
// characters and disciples (by name), chapters and verses (by book, chapter and verse), update
// records. Nothing of the copy is changed or removed, so what it got from online updates stays.
// Runs once per shipped version: returns false, doing nothing, when the copy already records
// it. All or nothing; throws DbError.
bool addShippedContent(const QString& user, const QString& shipped);

} // namespace tovelo
