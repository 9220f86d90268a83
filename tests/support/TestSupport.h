#pragma once

#include "Signature.h"

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

namespace tovelo::test {

QString fixture(const QString& relative);

// The content database the build made from the real scripture.
QString realContent();

// Runs statements the way the plain sqlite3 tool does, with nothing of the program registered:
// every value of every row, each followed by "|", or "error: ..." when a statement fails.
QString plainSqlite(const QString& file, const QString& sql);

// Damages the last leaf page of a table, as a disk fault would: the rows stored before it can
// still be read, those on it cannot.
void damageLastPage(const QString& file, const QString& table);

// Chooses an entry from a drop-down list the way a user does (raises activated()).
void choose(QComboBox* combo, const QString& text);
// The entries of a drop-down list.
QStringList items(const QComboBox* combo);

// Types the text into the field with the keyboard, then presses the key (Tab, Enter) in it, in
// the field's window shown and active.
void typeInto(QComboBox* combo, const QString& text, Qt::Key key);

// The captions of the window's labels and buttons that do not fit their controls whole.
QStringList cutCaptions(const QWidget* window);
// Whether the text fits whole in the text part of a drop-down field, or in a line of a list
// beside its scroll bar. The control must have been shown.
bool fitsWhole(const QWidget* control, const QString& text);

// Runs the event loop until `done` holds or `ms` pass; true if it holds. Unlike QTest::qWait and
// the QTRY_ macros, which sleep 10 ms between rounds, it takes every socket arrival as soon as it
// comes, as the program does: chat lines paced a few milliseconds apart stay apart.
bool waitUntil(const std::function<bool()>& done, int ms = 10000);

// A key pair made by the ordinary `minisign -G -W`, its two files kept in `folder`.
struct KeyPair {
    QString secretFile;
    QString publicFile;
    SecretKey secret;
    PublicKey pub;
};
KeyPair makeKeyPair(const QString& folder);

// A program folder of its own with a content database built by the content tool from the
// test fixtures; messages are recorded instead of shown. Restores both when it ends.
class ContentFixture {
public:
    explicit ContentFixture(const QString& scripture = fixture(QStringLiteral("scripture.tsv")),
                            const QString& authored = fixture(QStringLiteral("authored")));
    ~ContentFixture();
    ContentFixture(const ContentFixture&) = delete;
    ContentFixture& operator=(const ContentFixture&) = delete;

    QString folder() const { return dir.path(); }
    QString database() const { return dir.filePath(QStringLiteral("Tovelo.mdb")); }
    // Runs one statement on the fixture database (for arranging and checking).
    void exec(const QString& sql, const QVariantList& values = {}) const;
    QVariant scalar(const QString& sql, const QVariantList& values = {}) const;
    // Adds rows of about 1 KB to the table, each row's values given as expressions of its
    // number i ("'Extra ' || i, filler"; filler is 1,000 letters), enough for several pages.
    void fill(const QString& table, const QString& columns, const QString& values,
              int rows = 150) const;
    QStringList takeMessages();

    QTemporaryDir dir;
    QStringList messages;
};

} // namespace tovelo::test
