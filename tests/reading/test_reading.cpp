#include "AppCore.h"
#include "FrmLeitura.h"
#include "FrmLivros.h"
#include "TestSupport.h"

#include <QClipboard>
#include <QTextBlock>
#include <QtTest>

using namespace tovelo;

namespace {

void type(FrmLeitura& w, const QString& reference) {
    w.reference->clear();
    QTest::keyClicks(w.reference, reference);
    QTest::keyClick(w.reference, Qt::Key_Return);
}

// The numbers of the verses marked as asked for.
QStringList marked(const FrmLeitura& w) {
    QStringList verses;
    for (const auto& mark : w.passage->extraSelections())
        verses << mark.cursor.block().text().section(' ', 0, 0);
    return verses;
}

// Selects from a place in the block starting `start` (a heading, "28 ") through `blocks` blocks.
QString copied(FrmLeitura& w, const QString& start, int from, int blocks = 1) {
    QTextCursor c(w.passage->document()->find(QRegularExpression("^" + start)).block());
    c.setPosition(c.position() + from);
    c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, blocks - 1);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    w.passage->setTextCursor(c);
    w.passage->copy();
    return QGuiApplication::clipboard()->text();
}

} // namespace

// The reading window over the whole Bible, shown and active.
class TestReading : public QObject {
    Q_OBJECT
    std::optional<test::ContentFixture> fx;
    std::unique_ptr<FrmLeitura> w;

private slots:
    void init() {
        fx.emplace();
        QVERIFY(QFile::remove(fx->database()) && QFile::copy(test::realContent(), fx->database()));
        userSettings()->clear();
        w = std::make_unique<FrmLeitura>();
        w->load();
        w->show();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    void cleanup() {
        w.reset();
        fx.reset();
    }

    // Typed references, one that does not exist, chapter by chapter across books, the history,
    // and the last passage read when the window opens again.
    void readingByReference() {
        QCOMPARE(w->shownReference(), QString("Gênesis 1"));
        QVERIFY(w->reference->hasFocus() && w->reference->selectedText() == "Gênesis 1");
        type(*w, "Jo 3:16-18");
        QCOMPARE(w->reference->text(), QString("João 3.16-18"));
        QCOMPARE(marked(*w), QStringList({"16", "17", "18"}));
        QVERIFY(w->passage->toPlainText().startsWith("João 3\n1 "));
        QCOMPARE(w->passage->document()->lastBlock().text().left(3), QString("36 "));

        type(*w, "Jo 99");
        QCOMPARE(w->notice->text(), QString("João tem 21 capítulos: o capítulo 99 não existe."));
        QCOMPARE(w->shownReference(), QString("João 3.16-18"));
        type(*w, "ml 4");
        QVERIFY(!w->notice->isVisible());
        QTest::keyClick(w->passage, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(w->shownReference(), QString("Mateus 1"));
        QCOMPARE(w->bookChooser->currentText() + w->chapterChooser->currentText(), "Mateus1");
        QTest::keyClick(w->reference, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(w->shownReference(), QString("Malaquias 4"));
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(w->passage, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(w->shownReference(), QString("Gênesis 1"));
        QVERIFY(!w->backButton->isEnabled());
        QTest::keyClick(w->passage, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(w->shownReference(), QString("João 3.16-18"));

        test::choose(w->bookChooser, "Apocalipse");
        test::choose(w->chapterChooser, "22");
        QVERIFY(!w->nextButton->isEnabled() && w->previousButton->isEnabled());
        w = std::make_unique<FrmLeitura>();
        w->load();
        QCOMPARE(w->shownReference(), QString("Apocalipse 22"));
    }

    // Copying gives the verses' text without their numbers, then their reference; the context
    // menu copies the reference alone.
    void copyingWithTheReference() {
        type(*w, "Sl 23");
        QCOMPARE(copied(*w, "1 ", 0),
                 QString("O Senhor é o meu pastor, nada me faltará. (Salmos 23.1)"));
        QCOMPARE(copied(*w, "1 ", 27), QString("nada me faltará. (Salmos 23.1)"));
        type(*w, "Rm 8.28-30");
        const QString text = copied(*w, "28 ", 0, 3);
        QVERIFY2(text.startsWith("E sabemos que ") &&
                     !text.contains(QRegularExpression(" 29 | 30 ")) &&
                     text.endsWith(" tambem glorificou. (Romanos 8.28-30)"),
                 qPrintable(text));
        std::unique_ptr<QMenu> menu(w->passage->contextMenu({}));
        QAction* reference = menu->findChild<QAction*>("copyReference");
        QCOMPARE(reference->text(), QString("Copiar referência"));
        reference->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("Romanos 8.28-30"));
    }

    // One size for every text area, from 8 to 40 points, kept in the user's settings: a window
    // opened later, as after a restart, takes it.
    void textSizeEverywhere() {
        FrmLivros reader;
        reader.show();
        const qreal usual = w->passage->font().pointSizeF();
        QTest::keyClick(w->reference, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE_GT(w->passage->font().pointSizeF(), usual);
        QCOMPARE(reader.Text1->font().pointSizeF(), w->passage->font().pointSizeF());
        for (int i = 0; i < 20; ++i) {
            QWheelEvent turn({10, 10}, {10, 10}, {}, {0, 120}, Qt::NoButton, Qt::ControlModifier,
                             Qt::NoScrollPhase, false);
            QApplication::sendEvent(reader.Text1->viewport(), &turn);
        }
        QCOMPARE(w->passage->font().pointSizeF(), 40.0);
        QCOMPARE(userSettings()->value("texto/tamanho").toReal(), 40.0);
        userSettings()->setValue("texto/tamanho", 20);
        QCOMPARE(FrmLivros().Text1->font().pointSizeF(), 20.0);

        for (int i = 0; i < 20; ++i)
            QTest::keyClick(w->passage, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(reader.Text1->font().pointSizeF(), 8.0);
        QTest::keyClick(&reader, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(w->passage->font().pointSizeF(), usual);
        QVERIFY(!userSettings()->contains("texto/tamanho"));
    }
};

QTEST_MAIN(TestReading)
#include "test_reading.moc"
