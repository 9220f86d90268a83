#pragma once

#include "Controls.h"
#include "ProgramFolder.h"
#include "Search.h"

#include <QAbstractListModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace tovelo {

// The lines of the hit list, "Livro - capítulo:versículo", made as the list shows them: a
// search of thousands of verses fills the list without writing thousands of lines first.
class HitLines : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    void setHits(QList<ChapterHits> hits);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<ChapterHits> hits_;
    std::vector<int> firstRow_; // of each chapter
    int rows_ = 0;
};

// The keyword search: every verse whose text holds the typed word, ignoring case, accents and
// spelling (Search.h); the verse shown marks the passage that matched.
class FrmLivros2 : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmLivros2(QWidget* parent = nullptr);
    void load() {}

    QLabel* Label3;
    QLineEdit* Text2;
    QPushButton* Command2;
    QPushButton* Command1;
    QPlainTextEdit* Text1;
    QListView* List1; // over a plain list of lines: thousands of hits fill it at once
    QStringList hits() const;

signals:
    // A hit to be read in its chapter (a double-click on it, or Enter), with the searched text.
    void hitOpened(const QString& livro, int capitulo, int vers, const QString& searched);

private:
    void openHit(const QModelIndex& line);
    HitLines* lines_;
    KeptContentDb db_;
    QString searched_; // the text of the search that filled the list
    void Command2_Click();
    void List1_Click();
};

} // namespace tovelo
