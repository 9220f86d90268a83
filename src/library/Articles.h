#pragma once

#include "Controls.h"

#include <QColor>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRect>
#include <QWidget>

namespace tovelo {

// The text an article window shows: a study's stored text is deciphered first; every tab (a
// paragraph break in the stored text) becomes two CR LF, leaving one empty line.
QString articleText(const QString& stored, bool enciphered);

// The reader window of one study or one reflection. The two kinds differ only in the look and
// the table read, which their subclasses give.
class ArticleReader : public ChildWindow {
    Q_OBJECT
public:
    struct Look {
        const char* name;
        QString caption;
        QSize client;
        QString* title;    // the program-wide variable the catalogue wrote
        QString statement; // one bound value: the title's sort key
        bool enciphered;
        bool bandIsMenuText; // otherwise dark red
        int left;            // left edge of the band, the text and the credit
        int buttonsLeft;     // left edge of "Imprimir"; "Sair" is 80 pixels further
        bool printFirst;     // "Imprimir" leads the tab order instead of "Sair"
    };

    // Reads the title from the program-wide variable and shows its article; also called again
    // when the catalogue chooses another title while this window is open.
    void load();
    QString loadedTitle() const { return loadedTitle_; }

    QLabel* Label2;
    QLabel* label5;
    QPlainTextEdit* Text1;
    QPushButton* Command2;
    QPushButton* Command1;
    QLabel* Label1;

protected:
    ArticleReader(const Look& look, QWidget* parent);

private:
    void Command2_Click();

    Look look_;
    QString loadedTitle_;
};

class FrmEstudos2 : public ArticleReader {
    Q_OBJECT
public:
    explicit FrmEstudos2(QWidget* parent = nullptr);
};

class FrmIlustracoes2 : public ArticleReader {
    Q_OBJECT
public:
    explicit FrmIlustracoes2(QWidget* parent = nullptr);
};

} // namespace tovelo
