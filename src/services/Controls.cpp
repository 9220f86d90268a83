#include "Controls.h"

#include "TextSize.h"

#include <QFocusEvent>
#include <QLineEdit>

namespace tovelo {
namespace {

// Watches a drop-down field; its text box takes the focus through the field, so the field is
// what loses it.
class ShowBeginningWhenLeft : public QObject {
public:
    explicit ShowBeginningWhenLeft(QComboBox* field) : QObject(field), edit_(field->lineEdit()) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            edit_->setCursorPosition(0);
        return false;
    }

private:
    QLineEdit* edit_;
};

} // namespace

ChildWindow::~ChildWindow() {
    for (QObject* child : findChildren<QObject*>())
        child->blockSignals(true);
}

QFont fontOf(const QString& family, qreal points, bool bold) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QComboBox* comboField(QWidget* parent, const char* name, QRect geometry) {
    auto* c = control<QComboBox>(parent, name, geometry);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    // Only a choice from the list may act. The combo box itself treats typed text as a choice
    // when editing finishes (Enter, or the focus leaving) and the text equals an item, and a
    // completer would choose an item too: the field keeps neither.
    c->setCompleter(nullptr);
    QLineEdit* edit = c->lineEdit();
    QObject::disconnect(edit, &QLineEdit::editingFinished, c, nullptr);
    // A field too narrow for its text shows the text's beginning, not its end: a text put into
    // it (a choice, a prompt) and one the user leaves. While the user types it follows the
    // cursor as usual.
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] {
        if (!edit->isModified()) edit->setCursorPosition(0);
    });
    c->installEventFilter(new ShowBeginningWhenLeft(c));
    c->setMaxVisibleItems(20);
    return c;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* l = control<QLabel>(parent, name, geometry);
    // Labels show titles and names that come from the database and from updates: text that
    // looks like markup must show as the characters it is, never render or load anything.
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* b = control<QPushButton>(parent, name, geometry);
    b->setText(text);
    b->setAutoDefault(false);
    return b;
}

QPlainTextEdit* textBox(QWidget* parent, const char* name, QRect geometry, bool readOnly) {
    auto* t = control<QPlainTextEdit>(parent, name, geometry);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    t->setReadOnly(readOnly);
    followTextSize(t);
    return t;
}

QList<QTextEdit::ExtraSelection> searchMarks(QPlainTextEdit* box,
                                             const QList<std::pair<qsizetype, qsizetype>>& spans,
                                             qsizetype offset) {
    QList<QTextEdit::ExtraSelection> marks;
    for (const auto& [from, length] : spans) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(box->document());
        mark.cursor.setPosition(int(offset + from));
        mark.cursor.setPosition(int(offset + from + length), QTextCursor::KeepAnchor);
        mark.format.setBackground(QColor(255, 230, 110));
        marks << mark;
    }
    return marks;
}

void setupWindow(QWidget* window, const char* name, const QString& caption, QSize client) {
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(caption);
    window->setFixedSize(client);
}

} // namespace tovelo
