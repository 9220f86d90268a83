#include "TestSupport.h"

#include "AppCore.h"
#include "Builder.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QSqlQuery>
#include <QStyle>
#include <QTimer>
#include <QtTest>
#include <sqlite3.h>

namespace tovelo::test {

QString fixture(const QString& relative) {
    return QStringLiteral(TOVELO_FIXTURES "/") + relative;
}

QString realContent() {
    return QStringLiteral(TOVELO_PROGRAM_DIR "/Tovelo.mdb");
}

QString plainSqlite(const QString& file, const QString& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return QStringLiteral("cannot open");
    }
    QString out;
    char* error = nullptr;
    auto collect = [](void* sink, int n, char** values, char**) {
        for (int i = 0; i < n; ++i)
            *static_cast<QString*>(sink) += QString::fromUtf8(values[i] ? values[i] : "") + "|";
        return 0;
    };
    if (sqlite3_exec(db, sql.toUtf8().constData(), collect, &out, &error) != SQLITE_OK) {
        out = QStringLiteral("error: ") + QString::fromUtf8(error);
        sqlite3_free(error);
    }
    sqlite3_close(db);
    return out;
}

void damageLastPage(const QString& file, const QString& table) {
    const QStringList found =
        plainSqlite(file, QStringLiteral("PRAGMA page_size; SELECT pageno FROM dbstat WHERE "
                                         "name = '%1' AND pagetype = 'leaf' ORDER BY path DESC "
                                         "LIMIT 1")
                              .arg(table))
            .split(QLatin1Char('|'));
    QVERIFY2(found.size() == 3, qPrintable(found.join(' ')));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek((found[1].toLongLong() - 1) * found[0].toLongLong()));
    f.write(QByteArray(64, '\xff')); // the page header and its first cell pointers
}

void choose(QComboBox* combo, const QString& text) {
    const int i = combo->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    combo->setCurrentIndex(i);
    emit combo->activated(i);
}

QStringList items(const QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

void typeInto(QComboBox* combo, const QString& text, Qt::Key key) {
    QWidget* window = combo->window();
    window->show();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    combo->setFocus();
    QVERIFY(combo->lineEdit()->hasFocus());
    combo->clearEditText();
    QTest::keyClicks(combo->lineEdit(), text);
    QCOMPARE(combo->currentText(), text);
    QTest::keyClick(combo->lineEdit(), key);
}

QStringList cutCaptions(const QWidget* window) {
    QStringList cut;
    for (const QLabel* l : window->findChildren<QLabel*>()) {
        const QFontMetrics m(l->font());
        if (m.horizontalAdvance(l->text()) > l->contentsRect().width() ||
            m.height() > l->contentsRect().height())
            cut << l->text();
    }
    // A button keeps a few pixels of frame and margin on each side.
    for (const QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (!b->text().isEmpty() &&
            QFontMetrics(b->font()).horizontalAdvance(b->text()) + 8 > b->width())
            cut << b->text();
    return cut;
}

bool fitsWhole(const QWidget* control, const QString& text) {
    const int width = QFontMetrics(control->font()).horizontalAdvance(text);
    const QStyle* style = control->style();
    // A line edit keeps 2 pixels on each side of its text; a list line a focus margin.
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return width + 4 <= combo->lineEdit()->contentsRect().width();
    const auto* list = qobject_cast<const QAbstractScrollArea*>(control);
    const int margin = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, control) + 1);
    const int bar = list->verticalScrollBar()->isVisible()
                        ? 0
                        : style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, control);
    return width + margin + bar <= list->viewport()->width();
}

bool waitUntil(const std::function<bool()>& done, int ms) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    check.start(5);
    if (!done()) loop.exec();
    return done();
}

KeyPair makeKeyPair(const QString& folder) {
    KeyPair pair{folder + QStringLiteral("/tovelo.key"), folder + QStringLiteral("/tovelo.pub"),
                 {}, {}};
    QProcess minisign;
    minisign.start(QStringLiteral("minisign"),
                   {"-G", "-W", "-f", "-s", pair.secretFile, "-p", pair.publicFile});
    if (!minisign.waitForFinished() || minisign.exitCode() != 0)
        qFatal("minisign -G: %s", minisign.readAllStandardError().constData());
    QFile secret(pair.secretFile);
    QFile pub(pair.publicFile);
    if (!secret.open(QIODevice::ReadOnly) || !pub.open(QIODevice::ReadOnly))
        qFatal("minisign made no key files");
    pair.secret = readSecretKey(secret.readAll());
    pair.pub = readPublicKey(pub.readAll()).value();
    return pair;
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
    return nextRow(q) ? q.value(0) : QVariant();
}

void ContentFixture::fill(const QString& table, const QString& columns, const QString& values,
                          int rows) const {
    QString select = values;
    select.replace(QStringLiteral("filler"),
                   QStringLiteral("replace(hex(zeroblob(500)), '0', 'x')"));
    exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                        "i < %1) INSERT INTO %2 (%3) SELECT %4 FROM n")
             .arg(rows)
             .arg(table, columns, select));
}

QStringList ContentFixture::takeMessages() {
    return std::exchange(messages, {});
}

} // namespace tovelo::test
