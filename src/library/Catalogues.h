#pragma once

#include "Controls.h"

#include <QAbstractTableModel>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QStringList>
#include <QTableView>
#include <QWidget>
#include <memory>

namespace tovelo {

class ContentDb;

// The titles the grid shows: a free-standing copy, never tied to the database.
class PageModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setTitles(QStringList titles);
    const QStringList& titles() const { return titles_; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList titles_;
};

// A catalogue of article titles: the first 200 titles of its table and how many the table
// holds; a double-click opens the current title in the reader window and closes the catalogue.
class Catalogue : public ChildWindow {
    Q_OBJECT
public:
    static constexpr int kPageSize = 200;

    struct Look {
        const char* name;
        QString caption;
        QSize client;
        QString table;
        bool sorted; // by title; otherwise in the table's own order
        QString hint;
        QRect hintGeometry;
        QRect gridGeometry;
        QRect countGeometry;
        bool countInverted;   // bold, centred, white on black
        bool creditAndExit;   // the "Fonte:" line and a "Sair" button
        QString* title;       // the program-wide variable the reader reads
        void (*openReader)(); // shows the reader for that title, loaded afresh
    };

    ~Catalogue() override;
    void load();

    QLabel* Label2;
    QTableView* DataGrid1;
    QLabel* lblreg;
    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;

protected:
    Catalogue(const Look& look, QWidget* parent);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DataGrid1_DblClick();

    Look look_;
    std::unique_ptr<ContentDb> db_; // held while the window is open
    PageModel* page_;
};

class FrmEstudos : public Catalogue {
    Q_OBJECT
public:
    explicit FrmEstudos(QWidget* parent = nullptr);
};

class FrmIlustracoes : public Catalogue {
    Q_OBJECT
public:
    explicit FrmIlustracoes(QWidget* parent = nullptr);
};

} // namespace tovelo
