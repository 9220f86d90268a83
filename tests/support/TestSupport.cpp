#include "TestSupport.h"

#include "AppCore.h"
#include "Builder.h"

#include <QSqlQuery>

namespace tovelo::test {

QString fixture(const QString& relative) {
    return QStringLiteral(TOVELO_FIXTURES "/") + relative;
}

ContentFixture::ContentFixture(const QString& scripture, const QString& authored) {
    content::buildDatabase(scripture, authored, database());
    setProgramFolder(dir.path());
    setMessageSink([this](const QString& text) { messages << text; });
}

ContentFixture::~ContentFixture() {
    setProgramFolder(QString());
    setMessageSink(nullptr);
}

void ContentFixture::exec(const QString& sql, const QVariantList& values) const {
    Db db(database());
    db.run(sql, values);
}

QVariant ContentFixture::scalar(const QString& sql, const QVariantList& values) const {
    Db db(database());
    QSqlQuery q = db.run(sql, values);
    return q.next() ? q.value(0) : QVariant();
}

QStringList ContentFixture::takeMessages() {
    return std::exchange(messages, {});
}

} // namespace tovelo::test
