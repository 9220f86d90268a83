#pragma once

#include <QStringList>

namespace tovelo {

// Statements that create the content database's tables and indexes.
QStringList schemaStatements();
// Statements that create its triggers.
QStringList schemaTriggers();

} // namespace tovelo
