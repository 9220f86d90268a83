#include "AppCore.h"
#include "FrmLivros.h"
#include "FrmLivros2.h"
#include "TestSupport.h"

#include <QLineEdit>
#include <QtTest>

using namespace tovelo;
using test::choose;
using test::items;

namespace {

// Runs a search: its hits, or the message it showed instead.
QStringList search(FrmLivros2& w, test::ContentFixture& fx, const QString& word) {
    w.Text2->setText(word);
    w.Command2->click();
    const QStringList said = fx.takeMessages();
    return said.isEmpty() ? w.hits() : said;
}

// The verse shown, with the passages marked in it in brackets.
QString shownVerse(const FrmLivros2& w) {
    QString text = w.Text1->toPlainText();
    const auto marks = w.Text1->extraSelections();
    for (auto mark = marks.rbegin(); mark != marks.rend(); ++mark)
        text.insert(mark->cursor.selectionEnd(), ']').insert(mark->cursor.selectionStart(), '[');
    return text;
}

void showActive(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

} // namespace

class TestReader : public QObject {
    Q_OBJECT
private slots:
    void readingAPassage() {
        test::ContentFixture fx;
        FrmLivros w;
        w.load();
        QCOMPARE(w.Combo2->currentText() + w.Combo5->currentText(), QString("LIVROVERS2"));
        QVERIFY(!w.Combo2->isEnabled());
        choose(w.Combo1, "NOVO TESTAMENTO");
        QCOMPARE(items(w.Combo2), QStringList({"Atos", "João", "Mateus"}));
        // Books once each, in Portuguese order: Êxodo between Ester and Ezequiel.
        choose(w.Combo1, "ANTIGO TESTAMENTO");
        QCOMPARE(items(w.Combo2),
                 QStringList({"Ester", "Êxodo", "Ezequiel", "Gênesis", "Rute", "Salmos"}));
        choose(w.Combo2, "Salmos");
        QCOMPARE(items(w.Combo3), QStringList({"23", "119"}));
        choose(w.Combo3, "23");
        QCOMPARE(items(w.Combo5), QStringList({"1", "2", "3", "4", "5", "6"}));

        choose(w.Combo4, "3");
        QVERIFY(w.Text1->toPlainText().isEmpty()); // a first verse alone changes nothing
        choose(w.Combo5, "4");
        QCOMPARE(w.Text1->toPlainText(), "3 - Refrigera a alma.\n\n4 - Ainda que eu ande pelo "
                                         "vale.\n\n");
        choose(w.Combo4, "5"); // the passage stays until a last verse is chosen again
        QCOMPARE(w.Text1->toPlainText().left(1), "3");
        choose(w.Combo5, "3"); // last below first: empty, no message
        QVERIFY(w.Text1->toPlainText().isEmpty());

        // A new chapter empties both verse fields and keeps the passage.
        choose(w.Combo4, "6");
        choose(w.Combo5, "6");
        choose(w.Combo3, "119");
        QVERIFY(w.Combo4->currentText().isEmpty() && w.Combo5->currentText().isEmpty());
        QCOMPARE(items(w.Combo4), QStringList({"1", "2", "3"}));
        QCOMPARE(w.Text1->toPlainText(), "6 - Bondade e misericórdia me seguirão.\n\n");
        QVERIFY(fx.takeMessages().isEmpty());
    }

    // Typing an exact item and leaving the field with Tab or Enter chooses nothing, nor does
    // typing part of one; the arrow keys still choose.
    void typedTextNeverActsAsAChoice() {
        test::ContentFixture fx;
        FrmLivros w;
        w.load();
        test::typeInto(w.Combo1, "NOVO TESTAMENTO", Qt::Key_Tab);
        QCOMPARE(w.Combo2->count(), 0);
        choose(w.Combo1, "ANTIGO TESTAMENTO");
        test::typeInto(w.Combo2, "Rute", Qt::Key_Tab);
        test::typeInto(w.Combo2, "Salmos", Qt::Key_Return);
        test::typeInto(w.Combo2, "Ester", Qt::Key_Enter);
        test::typeInto(w.Combo2, "Rut", Qt::Key_Tab);
        QCOMPARE(w.Combo3->count(), 0);
        QVERIFY(fx.takeMessages().isEmpty());

        w.Combo2->setCurrentIndex(-1);
        QTest::keyClick(w.Combo2, Qt::Key_Down);
        QCOMPARE(w.Combo2->currentText(), QString("Ester"));
        QCOMPARE(items(w.Combo3), QStringList({"1"}));
    }

    // A narrow field shows the beginning of a prompt, of a choice and of a text the user
    // leaves; captions, the longest choices and a long hit show whole.
    void fieldsShowTheirBeginningAndCaptionsFit() {
        test::ContentFixture fx;
        FrmLivros w;
        FrmLivros2 s;
        w.load();
        for (QWidget* window : {static_cast<QWidget*>(&w), static_cast<QWidget*>(&s)}) {
            window->show();
            QCOMPARE(test::cutCaptions(window), QStringList());
        }
        QVERIFY(test::fitsWhole(w.Combo1, "ANTIGO TESTAMENTO"));
        QVERIFY(test::fitsWhole(w.Combo2, "Lamentações de Jeremias"));
        for (QComboBox* c : {w.Combo3, w.Combo4, w.Combo5})
            QVERIFY(test::fitsWhole(c, "176"));
        QVERIFY(test::fitsWhole(s.List1, "Lamentações de Jeremias - 3:66"));

        const auto shownFromStart = [&] {
            for (QComboBox* c : {w.Combo1, w.Combo2, w.Combo3, w.Combo4, w.Combo5})
                if (c->lineEdit()->cursorPosition() != 0) return false;
            return true;
        };
        QVERIFY(shownFromStart());
        choose(w.Combo1, "ANTIGO TESTAMENTO");
        choose(w.Combo2, "Salmos");
        QVERIFY(shownFromStart());
        test::typeInto(w.Combo2, "Lamentacoes de Jeremias", Qt::Key_Tab);
        QVERIFY(shownFromStart());
    }

    void searchRulesAndHits() {
        test::ContentFixture fx;
        FrmLivros2 w;
        const QStringList none{"Não foi encontrado nenhum resultado."};
        const QStringList tooShort{"Digite pelo menos 3 letras para buscar."};
        QCOMPARE(search(w, fx, "co"), tooShort);
        // Case and accents ignored both ways, grouped by book in alphabetical order.
        for (const char* word : {"coração", "CORACAO", "Coracão"})
            QCOMPARE(search(w, fx, word), QStringList({"Ester - 1:1", "Salmos - 119:1"}));
        QCOMPARE(search(w, fx, "espírito"),
                 QStringList({"Atos - 2:1", "Gênesis - 1:2", "Mateus - 5:3"}));
        // A word inside a longer word counts; a leading space keeps only word starts; a search
        // that finds nothing leaves the previous hits.
        QCOMPARE(search(w, fx, "astor"), QStringList({"Salmos - 23:1"}));
        QCOMPARE(search(w, fx, " astor"), none);
        QCOMPARE(w.hits(), QStringList({"Salmos - 23:1"}));
        // Three characters as a reader sees them: an accent typed apart is no letter.
        QCOMPARE(search(w, fx, "fe\u0301"), tooShort);
        // Quotes, percent and underscore are ordinary characters.
        QCOMPARE(search(w, fx, "d'este"), QStringList({"Êxodo - 1:1"}));
        QCOMPARE(search(w, fx, "0%_x"), none);
        QCOMPARE(search(w, fx, "0% de"), QStringList({"Ezequiel - 1:1"}));
        QCOMPARE(search(w, fx, "o_c"), QStringList({"Ezequiel - 1:1"}));
        // A verse changed by another program while the window is open is found as it now is.
        fx.exec("UPDATE Versiculos SET Texto = 'O guarda é elle.' WHERE Texto LIKE 'O pastor%'");
        QCOMPARE(search(w, fx, "astor"), none);
        QCOMPARE(search(w, fx, "guarda é ele"), QStringList({"Salmos - 23:1"}));
    }

    // Tabbing into the hit list shows no verse, though it makes the first line current; a
    // click on a line shows its verse, with what today's spelling found marked in the 1911
    // text, and so do the arrow keys; a new search keeps the verse shown.
    void onlyAChosenHitShowsItsVerse() {
        test::ContentFixture fx;
        fx.exec("INSERT INTO Versiculos (Id, Vers, Texto) SELECT Id, 7, 'E elle disse: Christo "
                "é o Senhor.' FROM Livros WHERE Livro = 'Salmos' AND Capitulo = 23");
        FrmLivros2 w;
        QCOMPARE(search(w, fx, "ele disse"), QStringList({"Salmos - 23:7"}));
        QCOMPARE(search(w, fx, "Cristo é o senhor"), QStringList({"Salmos - 23:7"}));
        QCOMPARE(search(w, fx, "Senhor"), QStringList({"Rute - 2:12", "Salmos - 23:7"}));
        showActive(w);
        w.Text2->setFocus();
        QTest::keyClick(w.Text2, Qt::Key_Tab);
        QVERIFY(w.List1->hasFocus());
        QVERIFY(w.Text1->toPlainText().isEmpty());
        const QRect first = w.List1->visualRect(w.List1->model()->index(0, 0));
        QTest::mouseClick(w.List1->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(shownVerse(w), QString("O [Senhor] recompense o teu feito."));
        QTest::keyClick(w.List1, Qt::Key_Down);
        QCOMPARE(shownVerse(w), QString("E elle disse: Christo é o [Senhor]."));

        search(w, fx, "cristo é");
        QCOMPARE(shownVerse(w), QString("E elle disse: Christo é o [Senhor]."));
        QTest::mouseClick(w.List1->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(shownVerse(w), QString("E elle disse: [Christo é] o Senhor."));
    }

    // A damaged page in the middle of a read: a message, and no part of the rows read before
    // it, in the hits and in the book list.
    void aDamagedPageTakesTheFailurePath() {
        const QString damaged = "O arquivo Tovelo.mdb está danificado.";
        test::ContentFixture fx;
        QVERIFY(QFile::remove(fx.database()));
        QVERIFY(QFile::copy(test::realContent(), fx.database()));
        FrmLivros2 w;
        QCOMPARE(search(w, fx, "amor").size(), 370);
        const QStringList amor = w.hits();
        test::damageLastPage(fx.database(), "BuscaIndice");
        QCOMPARE(search(w, fx, "Senhor").value(0).section('\n', 0, 0), damaged);
        QCOMPARE(w.hits(), amor);

        test::damageLastPage(fx.database(), "Livros");
        FrmLivros books;
        books.load();
        guarded([&] { choose(books.Combo1, "NOVO TESTAMENTO"); });
        QCOMPARE(fx.takeMessages().value(0).section('\n', 0, 0), damaged);
        QCOMPARE(books.Combo2->count(), 0);
    }
};

QTEST_MAIN(TestReader)
#include "test_reader.moc"
