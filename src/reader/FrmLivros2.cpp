#include "FrmLivros2.h"

#include "AppCore.h"
#include "Controls.h"
#include "Scripture.h"
#include "Search.h"
#include "TextKeys.h"

#include <QShortcut>

namespace tovelo {

void HitLines::setHits(QList<ChapterHits> hits) {
    beginResetModel();
    hits_ = std::move(hits);
    firstRow_.clear();
    rows_ = 0;
    for (const ChapterHits& chapter : hits_) {
        firstRow_.push_back(rows_);
        rows_ += int(chapter.verses.size());
    }
    endResetModel();
}

int HitLines::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant HitLines::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || index.row() < 0 || index.row() >= rows_) return {};
    const auto after = std::upper_bound(firstRow_.begin(), firstRow_.end(), index.row());
    const auto chapter = size_t(after - firstRow_.begin()) - 1;
    const ChapterHits& c = hits_.at(qsizetype(chapter));
    return chapterReference(c.livro, c.capitulo) +
           QString::number(c.verses.at(size_t(index.row() - firstRow_[chapter])));
}

FrmLivros2::FrmLivros2(QWidget* parent) : ChildWindow(parent) {
    setupWindow(this, "FrmLivros2", QStringLiteral("Busca Tovelo Sagrada"), {471, 334});
    Label3 = label(this, "Label3", QStringLiteral("Busca Por Palavra Chave"), {16, 16, 153, 17});
    Label3->setFont(fontOf(QStringLiteral("MS Sans Serif"), 8.25, true));
    Text2 = control<QLineEdit>(this, "Text2", {16, 32, 265, 19});
    Command2 = button(this, "Command2", QStringLiteral("Buscar"), {296, 16, 73, 33});
    Command1 = button(this, "Command1", QStringLiteral("Sair"), {384, 16, 65, 33});
    Text1 = textBox(this, "Text1", {16, 72, 265, 249});
    List1 = control<QListView>(this, "List1", {296, 72, 153, 249});
    List1->setUniformItemSizes(true);
    // A narrow face, so that a hit's whole reference fits the narrow list.
    List1->setFont(fontOf(QStringLiteral("Arial Narrow"), 8.25));
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lines_ = new HitLines(this);
    List1->setModel(lines_);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Text2);
    setTabOrder(Text2, List1);
    setTabOrder(List1, Text1);
    Command1->setFocus();

    handle(Command2, &QPushButton::clicked, this, &FrmLivros2::Command2_Click);
    // A line chosen (a click, the arrow keys) is selected. Tabbing into the list only makes its
    // first line current, which chooses nothing.
    handle(List1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
           &FrmLivros2::List1_Click);
    connect(Command1, &QPushButton::clicked, this, [this] { closeChild(this); });
    connect(List1, &QListView::doubleClicked, this, &FrmLivros2::openHit);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        new QShortcut(
            key, List1, [this] { openHit(List1->currentIndex()); }, Qt::WidgetShortcut);
}

void FrmLivros2::openHit(const QModelIndex& line) {
    if (!line.isValid()) return;
    const VerseRef ref = parseVerseReference(line.data().toString());
    emit hitOpened(ref.livro, ref.capitulo.toInt(), ref.vers.toInt(), searched_);
}

void FrmLivros2::Command2_Click() {
    const QString word = Text2->text();
    if (!longEnoughToSearch(word)) {
        showMessage(QStringLiteral("Digite pelo menos 3 letras para buscar."));
        return;
    }
    QList<ChapterHits> found = searchVerses(db_.get(), word);
    const qsizetype count = verseCount(found);
    showStatus(count == 0 ? QStringLiteral("Nenhum versículo encontrado")
                          : counted(count, QStringLiteral("versículo encontrado"),
                                    QStringLiteral("versículos encontrados")));
    if (count == 0) {
        showMessage(QStringLiteral("Não foi encontrado nenhum resultado."));
        return;
    }
    searched_ = word;
    const QSignalBlocker quiet(List1->selectionModel());
    lines_->setHits(std::move(found));
}

QStringList FrmLivros2::hits() const {
    QStringList lines;
    for (int row = 0; row < lines_->rowCount(); ++row)
        lines << lines_->index(row).data().toString();
    return lines;
}

void FrmLivros2::List1_Click() {
    const QModelIndexList chosen = List1->selectionModel()->selectedIndexes();
    if (chosen.isEmpty()) return;
    const QModelIndex line = chosen.first();
    const VerseRef ref = parseVerseReference(line.data().toString());
    Db& db = db_.get();
    QSqlQuery livro =
        db.run(QStringLiteral("Select * from Livros where Chave = ? and Capitulo = ?"),
               {sortKey(ref.livro), numberOrNull(ref.capitulo)});
    if (!nextRow(livro)) return;
    const QVariant id = livro.value(QStringLiteral("Id"));
    QSqlQuery vers = db.run(QStringLiteral("Select * from Versiculos where Id = ? and Vers = ?"),
                            {id, numberOrNull(ref.vers)});
    if (!nextRow(vers)) return;
    const QString texto = vers.value(QStringLiteral("Texto")).toString();
    Text1->setPlainText(texto);
    // The passage that matched the search is marked, as the verse writes it.
    Text1->setExtraSelections(searchMarks(Text1, matchedSpans(texto, searched_)));
}

} // namespace tovelo
