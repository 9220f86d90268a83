#pragma once

#include "BibleReference.h"
#include "Controls.h"

#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <optional>

namespace tovelo {

// The text of the reading window: whole chapters, each verse with its number. Copying gives the
// selected verses' text, without their numbers, followed by their reference.
class PassageBox : public QPlainTextEdit {
public:
    explicit PassageBox(QWidget* parent = nullptr);

    struct Chapter {
        int book = 0;
        int number = 0;
        QList<std::pair<int, QString>> verses; // number, text
    };
    void showChapters(const BibleIndex* bible, const QList<Chapter>& chapters);

    // The verse a block shows (book -1 for a heading or a blank line), and where its text
    // begins, after its number.
    VerseId verseIn(int block) const { return lines_.at(size_t(block)).verse; }
    int textStart(int block) const { return lines_.at(size_t(block)).textStart; }
    // The verses the selection touches; without one, the verse (or the chapter of the heading)
    // at `at`, in the box's viewport.
    QList<VerseId> versesFor(QPoint at) const;
    // The context menu: the usual one, and "Copiar referência".
    QMenu* contextMenu(QPoint at);
    // Scrolls the block to the top, where it stays when the box is resized or the text size
    // changes.
    void showFromBlock(int block);

protected:
    QMimeData* createMimeDataFromSelection() const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The verses the selection holds text of, each with the text selected.
    QList<std::pair<VerseId, QString>> selectedVerses() const;

    struct Line {
        VerseId verse{-1, 0, 0}; // book -1: a heading or a blank
        int chapterOf = -1;      // a heading: the index of its chapter in chapters_
        int textStart = 0;
    };
    const BibleIndex* bible_ = nullptr;
    std::vector<Line> lines_; // one per block
    QList<Chapter> chapters_;
};

// The reading window: a reference typed as readers write it, whole chapters one after the
// other, back and forward through the passages read.
class FrmLeitura : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmLeitura(QWidget* parent = nullptr);
    ~FrmLeitura() override;
    // Reads the books and shows the last passage read.
    void load();
    // Ready for a new reference, like a browser's address bar.
    void focusReference();
    // A keyword search's hit, with what matched marked.
    void showVerse(const QString& livro, int capitulo, int vers, const QString& searched);
    // The passage shown, as the project writes it.
    QString shownReference() const;
    QSize sizeHint() const override;

    QToolButton* backButton;
    QToolButton* forwardButton;
    QLineEdit* reference;
    QPushButton* goButton;
    QComboBox* bookChooser;
    QComboBox* chapterChooser;
    QPushButton* previousButton;
    QPushButton* nextButton;
    QLabel* notice;
    PassageBox* passage;

private:
    struct Visit {
        QList<VerseRange> ranges;
        QString searched; // a search's text, marked where it matched
    };
    void goToTyped();
    void bookChosen();
    void chapterChosen();
    void showPrevious();
    void showNext();
    void goBack();
    void goForward();
    void stepChapter(bool forward);
    void stepHistory(bool forward);
    void print();
    void visit(const Visit& v);
    void display(const Visit& v);
    void say(const QString& problem);
    void offerBooks(const QString& typed);
    void takeBook(const QString& name);
    void fillChapters(int book);

    BibleIndex bible_;
    std::optional<Visit> shown_;
    QList<Visit> back_;
    QList<Visit> forward_;
    QCompleter* completer_;
};

} // namespace tovelo
