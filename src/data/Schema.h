#pragma once

#include "Database.h"

#include <QStringList>

namespace tovelo {

// Statements that create the content database's tables and indexes.
QStringList schemaStatements();

// Brings what the program derives from the content up to date before it is read: the search
// copy of every chapter whose verses were added, changed or removed without the program, the
// keys of names and titles added or changed so, and all of it when the file was folded by
// another version (or never). Writes the file when it can; otherwise the connection answers
// from temporary up-to-date copies and the file stays as it was.
void bringUpToDate(Db& db);

} // namespace tovelo
