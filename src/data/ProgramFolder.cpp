#include "ProgramFolder.h"

#include <QCoreApplication>

namespace tovelo {
namespace {

QString& folderOverride() {
    static QString folder;
    return folder;
}

} // namespace

QString programFolder() {
    return folderOverride().isEmpty() ? QCoreApplication::applicationDirPath() : folderOverride();
}

void setProgramFolder(const QString& folder) {
    folderOverride() = folder;
}

QString programFile(const QString& name) {
    return programFolder() + QLatin1Char('/') + name;
}

ContentDb::ContentDb() : Db(programFile(QStringLiteral("Tovelo.mdb"))) {}

} // namespace tovelo
