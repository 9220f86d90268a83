#pragma once

#include <QStringList>

namespace tovelo {

// Statements that create the content database's tables, indexes and triggers.
QStringList schemaStatements();

} // namespace tovelo
