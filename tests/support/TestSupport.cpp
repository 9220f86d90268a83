#include "TestSupport.h"

#include "AppCore.h"
#include "Builder.h"

#include <QSqlQuery>
#include <QtTest>

namespace tovelo::test {

QString fixture(const QString& relative) {
    return QStringLiteral(TOVELO_FIXTURES "/") + relative;
}

void choose(QComboBox* combo, const QString& text) {
    const int i = combo->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    combo->setCurrentIndex(i);
    emit combo->activated(i);
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
