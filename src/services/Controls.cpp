#include "Controls.h"

namespace tovelo {

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
    // Completing typed text would choose an item when the field loses focus: only a choice from
    // the list may act.
    c->setCompleter(nullptr);
    c->setMaxVisibleItems(20);
    return c;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* l = control<QLabel>(parent, name, geometry);
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
    return t;
}

void setupWindow(QWidget* window, const char* name, const QString& caption, QSize client) {
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(caption);
    window->setFixedSize(client);
}

} // namespace tovelo
