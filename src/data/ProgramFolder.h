#pragma once

#include "Database.h"

#include <QString>

namespace tovelo {

// The folder of the executable, where Tovelo.mdb, Mapas/ and the update files lie.
QString programFolder();
void setProgramFolder(const QString& folder); // tests point it at a folder of their own
QString programFile(const QString& name);     // programFolder() + "/" + name

// A connection to the program folder's Tovelo.mdb; throws DbError when it cannot be opened.
class ContentDb : public Db {
public:
    ContentDb();
};

} // namespace tovelo
