#include "Catalogues.h"

#include "AppCore.h"
#include "Articles.h"
#include "Controls.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>

namespace tovelo {

void PageModel::setTitles(QStringList titles) {
    beginResetModel();
    titles_ = std::move(titles);
    endResetModel();
}

int PageModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(titles_.size());
}

int PageModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant PageModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= titles_.size()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return titles_.at(index.row());
    return {};
}

QVariant PageModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section == 0)
        return QStringLiteral("Titulo");
    return QAbstractTableModel::headerData(section, orientation, role);
}

Catalogue::Catalogue(const Look& look, QWidget* parent) : ChildWindow(parent), look_(look) {
    setupWindow(this, look.name, look.caption, look.client);
    const QFont grid = fontOf(QStringLiteral("MS Sans Serif"), 8.25);
    const QFont bold = fontOf(QStringLiteral("MS Sans Serif"), 8.25, true);

    if (look.creditAndExit)
        Command1 = button(this, "Command1", QStringLiteral("Sair"), {320, 8, 65, 25});
    Label2 = label(this, "Label2", look.hint, look.hintGeometry);
    Label2->setFont(bold);
    QPalette red = Label2->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label2->setPalette(red);

    DataGrid1 = control<QTableView>(this, "DataGrid1", look.gridGeometry);
    page_ = new PageModel(DataGrid1);
    DataGrid1->setModel(page_);
    DataGrid1->setFont(grid);
    DataGrid1->horizontalHeader()->setFont(grid);
    DataGrid1->verticalHeader()->hide();
    // The column is far wider than the grid: a centred heading would stand out of sight.
    DataGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A double-click anywhere on the grid counts: cells, heading or the empty area below.
    for (QObject* part :
         {static_cast<QObject*>(DataGrid1), static_cast<QObject*>(DataGrid1->viewport()),
          static_cast<QObject*>(DataGrid1->horizontalHeader()->viewport())})
        part->installEventFilter(this);

    lblreg = label(this, "lblreg", QString(), look.countGeometry);
    if (look.countInverted) {
        const QPalette app = QApplication::palette();
        QPalette inverted = lblreg->palette();
        inverted.setColor(QPalette::Window, app.color(QPalette::WindowText));
        inverted.setColor(QPalette::WindowText, app.color(QPalette::HighlightedText));
        lblreg->setPalette(inverted);
        lblreg->setAutoFillBackground(true);
        lblreg->setFont(bold);
        lblreg->setAlignment(Qt::AlignCenter);
    }

    if (look.creditAndExit) {
        Label1 = label(this, "Label1",
                       QStringLiteral("Fonte: reflexões escritas pela equipe do Tovelo."),
                       {8, 400, 377, 17});
        Label1->setFont(fontOf(QStringLiteral("Arial"), 6.75));
        setTabOrder(Command1, DataGrid1);
        Command1->setFocus();
        connect(Command1, &QPushButton::clicked, this, [this] { closeChild(this); });
    } else {
        DataGrid1->setFocus();
    }
}

Catalogue::~Catalogue() = default;

void Catalogue::load() {
    page_->setTitles({});
    lblreg->clear();
    db_.reset();
    db_ = std::make_unique<ContentDb>();

    qint64 count = 0;
    QStringList titles;
    {
        QSqlQuery total = db_->run(QStringLiteral("SELECT count(*) FROM %1").arg(look_.table));
        if (nextRow(total)) count = total.value(0).toLongLong();
        // Only the first page is read, so the window opens as fast for 100,000 titles as for 10.
        QSqlQuery q = db_->run(
            QStringLiteral("SELECT Titulo FROM %1%2 LIMIT %3")
                .arg(look_.table, look_.sorted ? QStringLiteral(" Order By Chave") : QString())
                .arg(kPageSize));
        while (nextRow(q))
            titles << q.value(0).toString();
    }
    if (count == 0 || titles.isEmpty()) {
        showMessage(QStringLiteral("Não foi encontrado nenhum resultado."));
        return;
    }
    page_->setTitles(std::move(titles));
    DataGrid1->setCurrentIndex(page_->index(0, 0));
    lblreg->setText(QStringLiteral("Foram encontrados %1 registros.").arg(count));
    DataGrid1->setColumnWidth(0, 3333); // 50000 twips: far wider than the grid
}

bool Catalogue::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        guarded([this] { DataGrid1_DblClick(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Catalogue::DataGrid1_DblClick() {
    if (page_->rowCount() == 0) return;
    const QModelIndex current = DataGrid1->currentIndex();
    *look_.title = page_->titles().at(current.isValid() ? current.row() : 0);
    look_.openReader();
    closeChild(this);
}

namespace {

template <class Reader> void openReader() {
    bool created = false;
    Reader* reader = openWindow<Reader>(&created);
    // An open reader shows the newly chosen title; openWindow only loads a new one.
    if (!created) reader->load();
}

} // namespace

FrmEstudos::FrmEstudos(QWidget* parent)
    : Catalogue({"FrmEstudos",
                 QStringLiteral("Estudos Bíblicos"),
                 {408, 364},
                 QStringLiteral("Estudos"),
                 true,
                 QStringLiteral("Dê um duplo clique no estudo que deseja ler"),
                 {16, 16, 377, 17},
                 {16, 32, 377, 305},
                 {16, 344, 377, 17},
                 false,
                 false,
                 &TituloEstudo,
                 &openReader<FrmEstudos2>},
                parent) {}

FrmIlustracoes::FrmIlustracoes(QWidget* parent)
    : Catalogue({"FrmIlustracoes",
                 QStringLiteral("Para Meditar"),
                 {399, 421},
                 QStringLiteral("Ilustracoes"),
                 false,
                 QStringLiteral("Dê um duplo clique no título para ler uma história."),
                 {8, 24, 377, 17},
                 {8, 40, 377, 321},
                 {8, 368, 377, 17},
                 true,
                 true,
                 &TituloIlustracao,
                 &openReader<FrmIlustracoes2>},
                parent) {}

} // namespace tovelo
