#pragma once

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRect>
#include <QTextEdit>
#include <QWidget>
#include <utility>

namespace tovelo {

// The base of every child window. Once it is being destroyed its controls' signals no longer
// reach its handlers: a control that signals while it is torn down (focus leaving, a list
// emptied) would otherwise call into a window that is half gone.
class ChildWindow : public QWidget {
public:
    using QWidget::QWidget;
    ~ChildWindow() override;
};

// Windows are laid out in fixed pixel geometry; every control carries its name as objectName.
template <class T> T* control(QWidget* parent, const char* name, QRect geometry) {
    auto* c = new T(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(geometry);
    return c;
}

QFont fontOf(const QString& family, qreal points, bool bold = false);

// An editable drop-down field: a choice from the list raises activated(); typing adds nothing.
QComboBox* comboField(QWidget* parent, const char* name, QRect geometry);
QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry);
QPushButton* button(QWidget* parent, const char* name, const QString& text, QRect geometry);
// A text box whose text follows the program's text size (TextSize.h).
QPlainTextEdit* textBox(QWidget* parent, const char* name, QRect geometry, bool readOnly = false);

// The passages a keyword search matched, as (start, length), marked in the box's text from
// `offset` on.
QList<QTextEdit::ExtraSelection> searchMarks(QPlainTextEdit* box,
                                             const QList<std::pair<qsizetype, qsizetype>>& spans,
                                             qsizetype offset = 0);

// Fixed client size of a child window, with its caption.
void setupWindow(QWidget* window, const char* name, const QString& caption, QSize client);

} // namespace tovelo
