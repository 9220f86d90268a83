#include "FrmLeitura.h"

#include "AppCore.h"
#include "PrintText.h"
#include "Search.h"
#include "TextSize.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardItemModel>
#include <QStringListModel>
#include <QTextBlock>

namespace tovelo {
namespace {

const QString kLastPassage = QStringLiteral("leitura/passagem");
constexpr int kHistory = 100;

// Whether a range asks for this verse; whole chapters mark nothing.
bool asked(const QList<VerseRange>& ranges, const VerseId& v) {
    for (const VerseRange& r : ranges)
        if (!r.wholeChapters && r.book == v.book &&
            std::pair(r.fromChapter, r.fromVerse) <= std::pair(v.chapter, v.verse) &&
            std::pair(v.chapter, v.verse) <= std::pair(r.toChapter, r.toVerse))
            return true;
    return false;
}

VerseRange wholeChapter(int book, const ChapterInfo& chapter) {
    return {book, chapter.number, 1, chapter.number, chapter.verses, true};
}

QToolButton* arrow(QWidget* parent, const char* name, Qt::ArrowType type, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setArrowType(type);
    b->setToolTip(tip);
    b->setAccessibleName(tip.section(QLatin1Char(' '), 0, 0));
    return b;
}

QLabel* buddyLabel(QWidget* parent, const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

} // namespace

PassageBox::PassageBox(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("passage"));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    followTextSize(this);
}

void PassageBox::showChapters(const BibleIndex* bible, const QList<Chapter>& chapters) {
    bible_ = bible;
    chapters_ = chapters;
    lines_.clear();
    // Written into a document of its own, then shown whole: the box then starts at its top
    // without laying out the chapters it replaces or the end of the new ones.
    auto* text = new QTextDocument(this);
    text->setDocumentLayout(new QPlainTextDocumentLayout(text));
    text->setUndoRedoEnabled(false);
    text->setDefaultFont(font());
    QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCursor cursor(text);
    cursor.beginEditBlock();
    bool first = true;
    for (qsizetype c = 0; c < chapters.size(); ++c) {
        const Chapter& chapter = chapters[c];
        if (!first) {
            cursor.insertBlock();
            lines_.push_back({});
            cursor.insertBlock();
        }
        first = false;
        cursor.insertText(bible->book(chapter.book).name + QLatin1Char(' ') +
                              QString::number(chapter.number),
                          bold);
        lines_.push_back({{-1, 0, 0}, int(c), 0});
        for (const auto& [number, text] : chapter.verses) {
            cursor.insertBlock();
            const QString label = QString::number(number);
            cursor.insertText(label, bold);
            cursor.insertText(QStringLiteral(" ") + text, plain);
            lines_.push_back({{chapter.book, chapter.number, number}, -1, int(label.size()) + 1});
        }
    }
    cursor.endEditBlock();
    setExtraSelections({});
    // The box's first document is its own to delete; the later ones are this box's.
    QTextDocument* shown = document()->parent() == this ? document() : nullptr;
    setDocument(text);
    delete shown;
}

QList<std::pair<VerseId, QString>> PassageBox::selectedVerses() const {
    QList<std::pair<VerseId, QString>> verses;
    const QTextCursor selection = textCursor();
    const int from = selection.selectionStart(), to = selection.selectionEnd();
    for (QTextBlock b = document()->findBlock(from); b.isValid() && b.position() < to;
         b = b.next()) {
        const Line& line = lines_.at(size_t(b.blockNumber()));
        const int start = std::max(from - b.position(), line.textStart);
        const int end = std::min(to - b.position(), b.length() - 1);
        const QString part = end > start ? b.text().mid(start, end - start).trimmed() : QString();
        if (line.verse.book >= 0 && !part.isEmpty()) verses.append({line.verse, part});
    }
    return verses;
}

QList<VerseId> PassageBox::versesFor(QPoint at) const {
    QList<VerseId> verses;
    if (textCursor().hasSelection()) {
        for (const auto& [verse, text] : selectedVerses())
            verses << verse;
        return verses;
    }
    const int block = cursorForPosition(at).blockNumber();
    if (block < 0 || size_t(block) >= lines_.size()) return verses;
    const Line& line = lines_[size_t(block)];
    if (line.verse.book >= 0) {
        verses << line.verse;
    } else if (line.chapterOf >= 0) {
        const Chapter& chapter = chapters_.at(line.chapterOf);
        for (const auto& verse : chapter.verses)
            verses << VerseId{chapter.book, chapter.number, verse.first};
    }
    return verses;
}

QMimeData* PassageBox::createMimeDataFromSelection() const {
    const QList<std::pair<VerseId, QString>> selected = selectedVerses();
    if (selected.isEmpty() || !bible_) return QPlainTextEdit::createMimeDataFromSelection();
    QStringList parts;
    QList<VerseId> verses;
    for (const auto& [verse, text] : selected) {
        verses << verse;
        parts << text;
    }
    auto* data = new QMimeData;
    data->setText(parts.join(QLatin1Char(' ')) + QStringLiteral(" (") +
                  formatReference(rangesOf(verses, *bible_), *bible_) + QLatin1Char(')'));
    return data;
}

QMenu* PassageBox::contextMenu(QPoint at) {
    QMenu* menu = createStandardContextMenu(at);
    QAction* copyReference = menu->addAction(QStringLiteral("Copiar referência"));
    copyReference->setObjectName(QStringLiteral("copyReference"));
    const QList<VerseId> verses = versesFor(at);
    copyReference->setEnabled(!verses.isEmpty() && bible_);
    connect(copyReference, &QAction::triggered, this, [this, verses] {
        QGuiApplication::clipboard()->setText(formatReference(rangesOf(verses, *bible_), *bible_));
    });
    return menu;
}

void PassageBox::showFromBlock(int block) {
    verticalScrollBar()->setValue(document()->findBlockByNumber(block).firstLineNumber());
}

// Wrapping anew keeps the line number at the top, which would be another verse's.
void PassageBox::resizeEvent(QResizeEvent* event) {
    const int top = firstVisibleBlock().blockNumber();
    QPlainTextEdit::resizeEvent(event);
    showFromBlock(top);
}

void PassageBox::changeEvent(QEvent* event) {
    const int top = firstVisibleBlock().blockNumber();
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) showFromBlock(top);
}

void PassageBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = contextMenu(event->pos());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

FrmLeitura::FrmLeitura(QWidget* parent) : ChildWindow(parent) {
    setObjectName(QStringLiteral("FrmLeitura"));
    setWindowTitle(QStringLiteral("Leitura"));
    setMinimumSize(420, 300);

    backButton = arrow(this, "backButton", Qt::LeftArrow, QStringLiteral("Voltar (Alt+Esquerda)"));
    forwardButton =
        arrow(this, "forwardButton", Qt::RightArrow, QStringLiteral("Avançar (Alt+Direita)"));
    reference = new QLineEdit(this);
    reference->setObjectName(QStringLiteral("reference"));
    reference->setPlaceholderText(QStringLiteral("Sl 23, Jo 3.16-18, Rm 8…"));
    reference->setClearButtonEnabled(true);
    goButton = new QPushButton(QStringLiteral("&Ir"), this);
    goButton->setObjectName(QStringLiteral("goButton"));
    goButton->setAutoDefault(false);
    bookChooser = new QComboBox(this);
    bookChooser->setObjectName(QStringLiteral("bookChooser"));
    bookChooser->setMaxVisibleItems(30);
    chapterChooser = new QComboBox(this);
    chapterChooser->setObjectName(QStringLiteral("chapterChooser"));
    chapterChooser->setMaxVisibleItems(20);
    chapterChooser->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    previousButton = new QPushButton(QStringLiteral("◀ Capítulo anterior"), this);
    previousButton->setObjectName(QStringLiteral("previousButton"));
    previousButton->setToolTip(QStringLiteral("Capítulo anterior (Ctrl+PgUp)"));
    nextButton = new QPushButton(QStringLiteral("Próximo capítulo ▶"), this);
    nextButton->setObjectName(QStringLiteral("nextButton"));
    nextButton->setToolTip(QStringLiteral("Próximo capítulo (Ctrl+PgDn)"));
    for (QPushButton* b : {previousButton, nextButton})
        b->setAutoDefault(false);
    notice = new QLabel(this);
    notice->setObjectName(QStringLiteral("notice"));
    notice->setWordWrap(true);
    notice->setTextFormat(Qt::PlainText);
    QPalette warning = notice->palette();
    warning.setColor(QPalette::WindowText, QColor(160, 0, 0));
    notice->setPalette(warning);
    notice->hide();
    passage = new PassageBox(this);

    auto* top = new QHBoxLayout;
    top->addWidget(backButton);
    top->addWidget(forwardButton);
    top->addWidget(buddyLabel(this, QStringLiteral("Re&ferência:"), reference));
    top->addWidget(reference, 1);
    top->addWidget(goButton);
    auto* choosers = new QHBoxLayout;
    choosers->addWidget(buddyLabel(this, QStringLiteral("&Livro:"), bookChooser));
    choosers->addWidget(bookChooser);
    choosers->addWidget(buddyLabel(this, QStringLiteral("Capít&ulo:"), chapterChooser));
    choosers->addWidget(chapterChooser);
    choosers->addStretch(1);
    choosers->addWidget(previousButton);
    choosers->addWidget(nextButton);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addLayout(choosers);
    column->addWidget(notice);
    column->addWidget(passage, 1);

    setTabOrder(reference, goButton);
    setTabOrder(goButton, bookChooser);
    setTabOrder(bookChooser, chapterChooser);
    setTabOrder(chapterChooser, previousButton);
    setTabOrder(previousButton, nextButton);
    setTabOrder(nextButton, passage);
    setTabOrder(passage, backButton);
    setTabOrder(backButton, forwardButton);
    setFocusProxy(reference);

    completer_ = new QCompleter(new QStringListModel(this), this);
    completer_->setWidget(reference);
    completer_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    connect(reference, &QLineEdit::textEdited, this, &FrmLeitura::offerBooks);
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
            &FrmLeitura::takeBook);

    handle(reference, &QLineEdit::returnPressed, this, &FrmLeitura::goToTyped);
    handle(goButton, &QPushButton::clicked, this, &FrmLeitura::goToTyped);
    handle(bookChooser, &QComboBox::activated, this, &FrmLeitura::bookChosen);
    handle(chapterChooser, &QComboBox::activated, this, &FrmLeitura::chapterChosen);
    handle(previousButton, &QPushButton::clicked, this, &FrmLeitura::showPrevious);
    handle(nextButton, &QPushButton::clicked, this, &FrmLeitura::showNext);
    handle(backButton, &QToolButton::clicked, this, &FrmLeitura::goBack);
    handle(forwardButton, &QToolButton::clicked, this, &FrmLeitura::goForward);
    const auto key = [this](QKeySequence keys, void (FrmLeitura::*action)()) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        handle(shortcut, &QShortcut::activated, this, action);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_PageUp), &FrmLeitura::showPrevious);
    key(QKeySequence(Qt::CTRL | Qt::Key_PageDown), &FrmLeitura::showNext);
    key(QKeySequence(Qt::ALT | Qt::Key_Left), &FrmLeitura::goBack);
    key(QKeySequence(Qt::ALT | Qt::Key_Right), &FrmLeitura::goForward);
    key(QKeySequence::Print, &FrmLeitura::print);
    for (QWidget* w : {static_cast<QWidget*>(backButton), static_cast<QWidget*>(forwardButton),
                       static_cast<QWidget*>(previousButton), static_cast<QWidget*>(nextButton)})
        w->setEnabled(false);
}

FrmLeitura::~FrmLeitura() {
    // Kept once, when the window closes: writing the settings file takes milliseconds.
    if (shown_) userSettings()->setValue(kLastPassage, shownReference());
}

QSize FrmLeitura::sizeHint() const {
    QSize size(960, 640);
    if (QMdiArea* area = workspace())
        size = size.boundedTo(area->viewport()->size() - QSize(16, 40));
    return size.expandedTo(minimumSize());
}

void FrmLeitura::load() {
    {
        ContentDb db;
        bible_ = readBibleIndex(db);
    }
    bookChooser->clear();
    auto* model = qobject_cast<QStandardItemModel*>(bookChooser->model());
    QString periodo;
    for (int b = 0; b < bible_.size(); ++b) {
        const BookInfo& book = bible_.book(b);
        if (book.periodo != periodo) {
            periodo = book.periodo;
            if (bookChooser->count()) bookChooser->insertSeparator(bookChooser->count());
            bookChooser->addItem(periodo == QStringLiteral("NT")
                                     ? QStringLiteral("Novo Testamento")
                                     : QStringLiteral("Antigo Testamento"));
            QStandardItem* heading = model->item(bookChooser->count() - 1);
            heading->setEnabled(false);
            QFont bold = heading->font();
            bold.setBold(true);
            heading->setFont(bold);
        }
        bookChooser->addItem(book.name, b);
    }
    const ParsedReference last =
        parseReference(userSettings()->value(kLastPassage).toString(), bible_);
    if (last.error.isEmpty()) {
        display({last.ranges, {}});
    } else if (bible_.size() > 0 && !bible_.book(0).chapters.empty()) {
        display({{wholeChapter(0, bible_.book(0).chapters.front())}, {}});
    }
    focusReference();
}

void FrmLeitura::focusReference() {
    reference->setFocus(Qt::ShortcutFocusReason);
    reference->selectAll();
}

QString FrmLeitura::shownReference() const {
    return shown_ ? formatReference(shown_->ranges, bible_) : QString();
}

void FrmLeitura::showVerse(const QString& livro, int capitulo, int vers, const QString& searched) {
    const int book = findBook(livro, bible_);
    const ChapterInfo* chapter = book < 0 ? nullptr : bible_.book(book).chapter(capitulo);
    if (!chapter || vers < 1 || vers > chapter->verses) return;
    visit({{VerseRange{book, capitulo, vers, capitulo, vers, false}}, searched});
}

void FrmLeitura::goToTyped() {
    completer_->popup()->hide();
    const ParsedReference parsed = parseReference(reference->text(), bible_);
    if (!parsed.error.isEmpty()) {
        say(parsed.error);
        return;
    }
    visit({parsed.ranges, {}});
}

void FrmLeitura::bookChosen() {
    const QVariant book = bookChooser->currentData();
    if (!book.isValid()) return;
    const BookInfo& info = bible_.book(book.toInt());
    if (info.chapters.empty()) return;
    visit({{wholeChapter(book.toInt(), info.chapters.front())}, {}});
}

void FrmLeitura::chapterChosen() {
    const QVariant book = bookChooser->currentData();
    if (!book.isValid()) return;
    const ChapterInfo* chapter =
        bible_.book(book.toInt()).chapter(chapterChooser->currentData().toInt());
    if (!chapter) return;
    visit({{wholeChapter(book.toInt(), *chapter)}, {}});
}

void FrmLeitura::showPrevious() {
    stepChapter(false);
}

void FrmLeitura::showNext() {
    stepChapter(true);
}

void FrmLeitura::goBack() {
    stepHistory(false);
}

void FrmLeitura::goForward() {
    stepHistory(true);
}

void FrmLeitura::stepChapter(bool forward) {
    if (!shown_) return;
    const VerseRange& edge = forward ? shown_->ranges.last() : shown_->ranges.first();
    const ChapterPlace from{edge.book, forward ? edge.toChapter : edge.fromChapter};
    const auto to = forward ? nextChapter(bible_, from) : previousChapter(bible_, from);
    if (!to) return;
    visit({{wholeChapter(to->book, *bible_.book(to->book).chapter(to->chapter))}, {}});
}

void FrmLeitura::stepHistory(bool forward) {
    QList<Visit>& from = forward ? forward_ : back_;
    QList<Visit>& to = forward ? back_ : forward_;
    if (from.isEmpty() || !shown_) return;
    const Visit v = forward ? from.takeFirst() : from.takeLast();
    if (forward)
        to.append(*shown_);
    else
        to.prepend(*shown_);
    display(v);
}

void FrmLeitura::print() {
    if (shown_) PrintText(shownReference(), passage->toPlainText());
}

void FrmLeitura::visit(const Visit& v) {
    if (shown_) {
        back_.append(*shown_);
        if (back_.size() > kHistory) back_.removeFirst();
    }
    forward_.clear();
    display(v);
}

void FrmLeitura::display(const Visit& v) {
    // The chapters the ranges cover, each once, in the order asked.
    QList<PassageBox::Chapter> chapters;
    {
        ContentDb db;
        for (const VerseRange& r : v.ranges)
            for (const ChapterInfo& c : bible_.book(r.book).chapters) {
                if (c.number < r.fromChapter || c.number > r.toChapter) continue;
                if (std::any_of(chapters.begin(), chapters.end(), [&](const auto& shown) {
                        return shown.book == r.book && shown.number == c.number;
                    }))
                    continue;
                PassageBox::Chapter chapter{r.book, c.number, {}};
                QSqlQuery q =
                    db.run(QStringLiteral("SELECT Vers, Texto FROM Versiculos WHERE Id = ? "
                                          "ORDER BY Vers"),
                           {c.id});
                while (nextRow(q))
                    chapter.verses.append({q.value(0).toInt(), q.value(1).toString()});
                chapters << chapter;
            }
    }
    passage->showChapters(&bible_, chapters);

    // The verses asked for marked, and what a search matched in them.
    QList<QTextEdit::ExtraSelection> marks;
    int firstMarked = -1;
    for (QTextBlock b = passage->document()->begin(); b.isValid(); b = b.next()) {
        const VerseId verse = passage->verseIn(b.blockNumber());
        if (verse.book < 0 || !asked(v.ranges, verse)) continue;
        if (firstMarked < 0) firstMarked = b.blockNumber();
        const int text = b.position() + passage->textStart(b.blockNumber());
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(b);
        mark.cursor.setPosition(text);
        mark.cursor.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
        mark.format.setBackground(QColor(255, 246, 205));
        marks << mark;
        if (!v.searched.isEmpty())
            marks << searchMarks(passage, matchedSpans(mark.cursor.selectedText(), v.searched),
                                 text);
    }
    passage->setExtraSelections(marks);

    // The first verse asked for comes to the top, with its chapter's heading when it is the
    // first verse; whole chapters from the first heading.
    int topBlock = std::max(firstMarked, 0);
    if (topBlock > 0 && passage->verseIn(topBlock - 1).book < 0) --topBlock;
    passage->setTextCursor(QTextCursor(passage->document()->findBlockByNumber(topBlock)));
    passage->showFromBlock(topBlock);

    shown_ = v;
    say({});
    reference->setText(formatReference(v.ranges, bible_));
    const VerseRange& first = v.ranges.first();
    const VerseRange& last = v.ranges.last();
    bookChooser->setCurrentIndex(bookChooser->findData(first.book));
    fillChapters(first.book);
    chapterChooser->setCurrentIndex(chapterChooser->findData(first.fromChapter));
    previousButton->setEnabled(
        previousChapter(bible_, {first.book, first.fromChapter}).has_value());
    nextButton->setEnabled(nextChapter(bible_, {last.book, last.toChapter}).has_value());
    backButton->setEnabled(!back_.isEmpty());
    forwardButton->setEnabled(!forward_.isEmpty());
}

void FrmLeitura::fillChapters(int book) {
    if (chapterChooser->property("book").toInt() == book && chapterChooser->count()) return;
    chapterChooser->clear();
    for (const ChapterInfo& c : bible_.book(book).chapters)
        chapterChooser->addItem(QString::number(c.number), c.number);
    chapterChooser->setProperty("book", book);
}

void FrmLeitura::say(const QString& problem) {
    notice->setText(problem);
    notice->setVisible(!problem.isEmpty());
}

void FrmLeitura::offerBooks(const QString& typed) {
    // Only the last reference of a list, and only while its book is being typed.
    static const QRegularExpression bookSoFar(QStringLiteral("^\\s*(?:[123]\\s*)?[^\\d;]*$"));
    const QString last = typed.section(QLatin1Char(';'), -1);
    const QStringList books = bookSoFar.match(last).hasMatch() && !last.trimmed().isEmpty()
                                  ? booksStartingWith(last, bible_)
                                  : QStringList();
    if (books.isEmpty() || (books.size() == 1 && books.first() == last.trimmed())) {
        completer_->popup()->hide();
        return;
    }
    static_cast<QStringListModel*>(completer_->model())->setStringList(books);
    completer_->complete();
}

void FrmLeitura::takeBook(const QString& name) {
    const QString text = reference->text();
    const qsizetype cut = text.lastIndexOf(QLatin1Char(';'));
    reference->setText(cut < 0 ? name + QLatin1Char(' ')
                               : text.left(cut + 1) + QLatin1Char(' ') + name + QLatin1Char(' '));
}

} // namespace tovelo
