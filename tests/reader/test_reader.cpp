#include "AppCore.h"
#include "FrmLivros.h"
#include "FrmLivros2.h"
#include "Scripture.h"
#include "TestSupport.h"

#include <QLineEdit>
#include <QtTest>

using namespace tovelo;
using test::choose;

namespace {

QStringList items(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

void chooseHit(FrmLivros2& w, int row) {
    w.List1->setCurrentIndex(w.List1->model()->index(row, 0));
}

// Types into the field without choosing from the list, then raises activated() as a choice
// made right after would.
void typeAndChoose(QComboBox* c, const QString& text) {
    c->setEditText(text);
    emit c->activated(c->currentIndex());
}

// Runs a search: its hits, or the message it showed instead.
QStringList search(FrmLivros2& w, test::ContentFixture& fx, const QString& word) {
    w.Text2->setText(word);
    w.Command2->click();
    const QStringList said = fx.takeMessages();
    return said.isEmpty() ? w.hits() : said;
}

// The passages marked in the shown verse.
QStringList marks(const FrmLivros2& w) {
    QStringList out;
    for (const QTextEdit::ExtraSelection& mark : w.Text1->extraSelections())
        out << mark.cursor.selectedText();
    return out;
}

QString asShown(QString passage) {
    return passage.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

class TestReader : public QObject {
    Q_OBJECT
private slots:
    void passageAndHitLines() {
        QCOMPARE(passageBlock(3, "texto"), QString("3 - texto\r\n\r\n"));
        const VerseRef r = parseVerseReference("Salmos - 119:176");
        QCOMPARE(QStringList({r.livro, r.capitulo, r.vers}), QStringList({"Salmos", "119", "176"}));
    }

    void chapterReaderOpensAtPrompts() {
        test::ContentFixture fx;
        FrmLivros w;
        w.load();
        QStringList prompts;
        for (QComboBox* c : {w.Combo1, w.Combo2, w.Combo3, w.Combo4, w.Combo5}) {
            prompts << c->currentText();
            QCOMPARE(c->isEnabled(), c == w.Combo1);
        }
        QCOMPARE(prompts, QStringList({"PERIODO", "LIVRO", "CAPITULO", "VERS1", "VERS2"}));
        QCOMPARE(items(w.Combo1), QStringList({"ANTIGO TESTAMENTO", "NOVO TESTAMENTO"}));
        QVERIFY(w.Text1->toPlainText().isEmpty());
    }

    void readingAPassage() {
        test::ContentFixture fx;
        FrmLivros w;
        w.load();
        choose(w.Combo1, "ANTIGO TESTAMENTO");
        // Books once each, in Portuguese order: Êxodo between Ester and Ezequiel.
        QCOMPARE(items(w.Combo2),
                 QStringList({"Ester", "Êxodo", "Ezequiel", "Gênesis", "Rute", "Salmos"}));
        QVERIFY(w.Combo2->isEnabled());
        QVERIFY(w.Combo2->currentText().isEmpty());
        choose(w.Combo1, "NOVO TESTAMENTO");
        QCOMPARE(items(w.Combo2), QStringList({"Atos", "João", "Mateus"}));
        choose(w.Combo1, "ANTIGO TESTAMENTO");

        choose(w.Combo2, "Salmos");
        QCOMPARE(items(w.Combo3), QStringList({"23", "119"}));
        choose(w.Combo3, "23");
        const QStringList verses{"1", "2", "3", "4", "5", "6"};
        QCOMPARE(items(w.Combo4), verses);
        QCOMPARE(items(w.Combo5), verses);
        QVERIFY(w.Combo4->isEnabled() && w.Combo5->isEnabled());

        choose(w.Combo4, "3");
        QVERIFY(w.Text1->toPlainText().isEmpty()); // a first verse alone changes nothing
        choose(w.Combo5, "4");
        QCOMPARE(w.Text1->toPlainText(), asShown(passageBlock(3, "Refrigera a alma.") +
                                                 passageBlock(4, "Ainda que eu ande pelo vale.")));
        choose(w.Combo5, "3");
        QCOMPARE(w.Text1->toPlainText(), asShown(passageBlock(3, "Refrigera a alma.")));

        // Another first verse leaves the passage until a last verse is chosen again.
        choose(w.Combo4, "5");
        QCOMPARE(w.Text1->toPlainText(), asShown(passageBlock(3, "Refrigera a alma.")));
        choose(w.Combo5, "3"); // last below first: empty, no message
        QVERIFY(w.Text1->toPlainText().isEmpty());
        QVERIFY(fx.takeMessages().isEmpty());

        // A new chapter empties both verse fields and keeps the passage.
        choose(w.Combo5, "6");
        const QString before = w.Text1->toPlainText();
        choose(w.Combo3, "119");
        QVERIFY(w.Combo4->currentText().isEmpty() && w.Combo5->currentText().isEmpty());
        QCOMPARE(items(w.Combo4), QStringList({"1", "2", "3"}));
        QCOMPARE(w.Text1->toPlainText(), before);
    }

    void typedValuesNeverBreakTheReader() {
        test::ContentFixture fx;
        FrmLivros w;
        w.load();
        typeAndChoose(w.Combo1, "antigo testamento");
        QCOMPARE(fx.takeMessages(), QStringList({"Por Favor escolha um Periodo."}));
        QCOMPARE(w.Combo2->count(), 0);
        QVERIFY(w.Combo2->isEnabled());

        choose(w.Combo1, "ANTIGO TESTAMENTO");
        typeAndChoose(w.Combo2, "salmos"); // letter case is ignored
        QCOMPARE(items(w.Combo3), QStringList({"23", "119"}));
        // Typing part of a name and leaving the field chooses nothing.
        w.show();
        QApplication::setActiveWindow(&w);
        w.Combo2->setFocus();
        w.Combo2->clearEditText();
        QTest::keyClicks(w.Combo2, "Rut");
        w.Text1->setFocus();
        QCOMPARE(items(w.Combo3), QStringList({"23", "119"}));
        typeAndChoose(w.Combo2, "Sal'mos");
        QCOMPARE(w.Combo3->count(), 0);
        typeAndChoose(w.Combo2, "Salmos");
        typeAndChoose(w.Combo3, "abc");
        QCOMPARE(w.Combo4->count(), 0);
        typeAndChoose(w.Combo3, "23");
        // The last verse chosen right after the chapter: the first verse is still empty.
        choose(w.Combo5, "2");
        QVERIFY(w.Text1->toPlainText().isEmpty());
        typeAndChoose(w.Combo4, "1 or 1=1");
        choose(w.Combo5, "2");
        QVERIFY(w.Text1->toPlainText().isEmpty());
        QVERIFY(fx.takeMessages().isEmpty());
    }

    // Typing an exact item and leaving the field with Tab or Enter chooses nothing; the arrow
    // keys still choose.
    void typedTextNeverActsAsAChoice() {
        test::ContentFixture fx;
        FrmLivros w;
        w.load();
        test::typeInto(w.Combo1, "NOVO TESTAMENTO", Qt::Key_Tab);
        QVERIFY(!w.Combo2->isEnabled() && w.Combo2->count() == 0);
        choose(w.Combo1, "ANTIGO TESTAMENTO");
        test::typeInto(w.Combo2, "Rute", Qt::Key_Tab);
        test::typeInto(w.Combo2, "Salmos", Qt::Key_Return);
        test::typeInto(w.Combo2, "Ester", Qt::Key_Enter);
        QVERIFY(!w.Combo3->isEnabled() && w.Combo3->count() == 0);
        QVERIFY(fx.takeMessages().isEmpty());

        w.Combo2->setCurrentIndex(-1);
        QTest::keyClick(w.Combo2, Qt::Key_Down);
        QCOMPARE(w.Combo2->currentText(), QString("Ester"));
        QCOMPARE(items(w.Combo3), QStringList({"1"}));
    }

    // A narrow field shows the beginning of a prompt, of a choice and of a text the user
    // leaves; while the user types it follows the cursor.
    void narrowFieldsShowTheirBeginning() {
        test::ContentFixture fx;
        FrmLivros w;
        w.load();
        auto shownFromStart = [&] {
            for (QComboBox* c : {w.Combo1, w.Combo2, w.Combo3, w.Combo4, w.Combo5})
                if (c->lineEdit()->cursorPosition() != 0) return false;
            return true;
        };
        QVERIFY(shownFromStart());
        choose(w.Combo1, "ANTIGO TESTAMENTO");
        choose(w.Combo2, "Salmos");
        QVERIFY(shownFromStart());
        test::typeInto(w.Combo2, "Lamentacoes", Qt::Key_Home);
        QTest::keyClick(w.Combo2->lineEdit(), Qt::Key_End);
        QTest::keyClicks(w.Combo2->lineEdit(), " de Jeremias");
        QCOMPARE(w.Combo2->lineEdit()->cursorPosition(), 23);
        QTest::keyClick(w.Combo2->lineEdit(), Qt::Key_Tab);
        QVERIFY(shownFromStart());
    }

    // Captions are whole, and so are the periods, a long book name and three-digit numbers in
    // the fields, and a long hit in the list.
    void captionsAndChoicesFitWhole() {
        test::ContentFixture fx;
        FrmLivros w;
        FrmLivros2 s;
        for (QWidget* window : {static_cast<QWidget*>(&w), static_cast<QWidget*>(&s)}) {
            window->show();
            QCOMPARE(test::cutCaptions(window), QStringList());
        }
        for (const char* period : {"ANTIGO TESTAMENTO", "NOVO TESTAMENTO"})
            QVERIFY(test::fitsWhole(w.Combo1, period));
        QVERIFY(test::fitsWhole(w.Combo2, "Lamentações de Jeremias"));
        for (QComboBox* c : {w.Combo3, w.Combo4, w.Combo5})
            QVERIFY(test::fitsWhole(c, "176"));
        QVERIFY(test::fitsWhole(s.List1, "Lamentações de Jeremias - 3:66"));
    }

    void searchRulesAndHits() {
        test::ContentFixture fx;
        FrmLivros2 w;
        const QStringList none{"Não foi encontrado nenhum resultado."};
        QCOMPARE(search(w, fx, "co"), QStringList({"Digite pelo menos 3 letras para buscar."}));
        // Case and accents ignored both ways, grouped by book in alphabetical order.
        for (const char* word : {"coração", "CORACAO", "Coracão"})
            QCOMPARE(search(w, fx, word), QStringList({"Ester - 1:1", "Salmos - 119:1"}));
        QCOMPARE(search(w, fx, "espírito"),
                 QStringList({"Atos - 2:1", "Gênesis - 1:2", "Mateus - 5:3"}));
        // A word inside a longer word counts; a leading space keeps only word starts.
        QCOMPARE(search(w, fx, "astor"), QStringList({"Salmos - 23:1"}));
        QCOMPARE(search(w, fx, " astor"), none);
        QCOMPARE(w.hits(), QStringList({"Salmos - 23:1"})); // previous hits stay
        // Quotes, percent and underscore are ordinary characters.
        QCOMPARE(search(w, fx, "d'este"), QStringList({"Êxodo - 1:1"}));
        QCOMPARE(search(w, fx, "0%_x"), none);
        QCOMPARE(search(w, fx, "0% de"), QStringList({"Ezequiel - 1:1"}));
        QCOMPARE(search(w, fx, "o_c"), QStringList({"Ezequiel - 1:1"}));
    }

    void choosingAHitShowsThatVerseOnly() {
        test::ContentFixture fx;
        FrmLivros2 w;
        QCOMPARE(search(w, fx, "bem-aventurados"), QStringList({"Mateus - 5:3", "Salmos - 119:1"}));
        chooseHit(w, 1);
        QCOMPARE(w.Text1->toPlainText(), QString("Bem-aventurados os retos de coração."));
        chooseHit(w, 0);
        QCOMPARE(w.Text1->toPlainText(), QString("Bem-aventurados os humildes de espírito."));

        search(w, fx, "graça"); // a search keeps the shown verse
        QCOMPARE(w.Text1->toPlainText(), QString("Bem-aventurados os humildes de espírito."));
    }

    // Tabbing into the hit list shows no verse, though it makes the first line current; a
    // click on that line shows its verse, and so do the arrow keys on the next.
    void onlyAChosenHitShowsItsVerse() {
        test::ContentFixture fx;
        FrmLivros2 w;
        QCOMPARE(search(w, fx, "bem-aventurados"), QStringList({"Mateus - 5:3", "Salmos - 119:1"}));
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Text2->setFocus();
        QTest::keyClick(w.Text2, Qt::Key_Tab);
        QVERIFY(w.List1->hasFocus());
        QVERIFY(w.Text1->toPlainText().isEmpty());
        const QRect first = w.List1->visualRect(w.List1->model()->index(0, 0));
        QTest::mouseClick(w.List1->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(w.Text1->toPlainText(), QString("Bem-aventurados os humildes de espírito."));
        QTest::keyClick(w.List1, Qt::Key_Down);
        QCOMPARE(w.Text1->toPlainText(), QString("Bem-aventurados os retos de coração."));
    }

    // A page of the chapters damaged in the middle of the read: the book list stays empty
    // rather than holding the books read before it.
    void aDamagedPageListsNoBooks() {
        test::ContentFixture fx;
        fx.fill("Livros", "Id, Livro, Periodo, Capitulo", "1000 + i, 'Extra', 'NT', i || filler");
        test::damageLastPage(fx.database(), "Livros");
        FrmLivros w;
        w.load();
        guarded([&] { choose(w.Combo1, "NOVO TESTAMENTO"); });
        QCOMPARE(fx.takeMessages().value(0).section('\n', 0, 0),
                 QString("O arquivo Tovelo.mdb está danificado."));
        QCOMPARE(w.Combo2->count(), 0);
    }

    void todaysSpellingFindsAndMarksTheOld() {
        test::ContentFixture fx;
        QCOMPARE(test::plainSqlite(fx.database(),
                                   "INSERT INTO Versiculos (Id, Vers, Texto) SELECT Id, 7, "
                                   "'E elle disse: Christo é o Senhor.' FROM Livros "
                                   "WHERE Livro = 'Salmos' AND Capitulo = 23"),
                 QString());
        FrmLivros2 w;
        QCOMPARE(search(w, fx, "Cristo"), QStringList({"Salmos - 23:7"}));
        chooseHit(w, 0);
        QCOMPARE(w.Text1->toPlainText(), QString("E elle disse: Christo é o Senhor."));
        QCOMPARE(marks(w), QStringList({"Christo"}));
        QCOMPARE(search(w, fx, "ELE DISSE"), QStringList({"Salmos - 23:7"}));
        chooseHit(w, 0);
        QCOMPARE(marks(w), QStringList({"elle disse"}));
        // Three characters as a reader sees them: an accent typed apart is no letter.
        QCOMPARE(search(w, fx, "fe\u0301"),
                 QStringList({"Digite pelo menos 3 letras para buscar."}));
        QCOMPARE(w.hits(), QStringList({"Salmos - 23:7"}));
    }

    void damagedDatabaseTakesTheFailurePath() {
        test::ContentFixture fx;
        QVERIFY(QFile::remove(fx.database()));
        QVERIFY(QFile::copy(test::realContent(), fx.database()));
        FrmLivros2 w;
        const QStringList amor = search(w, fx, "amor");
        QCOMPARE(amor.size(), 370);
        test::damageLastPage(fx.database(), "Busca");
        const QStringList said = search(w, fx, "Senhor");
        QCOMPARE(said.size(), 1);
        QVERIFY(said[0] != "Não foi encontrado nenhum resultado.");
        QCOMPARE(w.hits(), amor); // no part of the hits
    }

    void missingDatabaseIsReportedAndSurvived() {
        test::ContentFixture fx;
        QFile::remove(fx.database());
        FrmLivros w;
        w.load();
        guarded([&] { choose(w.Combo1, "NOVO TESTAMENTO"); });
        QCOMPARE(fx.messages.size(), 1);
        QVERIFY(fx.messages[0].contains("Tovelo.mdb"));
        QVERIFY(!QFile::exists(fx.database())); // never created empty

        QFile junk(fx.database());
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        FrmLivros2 s;
        s.Text2->setText("amor");
        s.Command2->click();
        QCOMPARE(fx.messages.size(), 2);
    }
};

QTEST_MAIN(TestReader)
#include "test_reader.moc"
