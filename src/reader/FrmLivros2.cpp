#include "FrmLivros2.h"

#include "AppCore.h"
#include "Controls.h"
#include "Scripture.h"
#include "TextKeys.h"

namespace tovelo {

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
    lines_ = new QStringListModel(this);
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
}

void FrmLivros2::Command2_Click() {
    const QString word = Text2->text();
    if (word.size() < 3) {
        showMessage(QStringLiteral("Digite pelo menos 3 letras para buscar."));
        return;
    }
    // Searched in the folded copy of each chapter, so "coracao" finds "coração"; the word is
    // taken literally ('%' and '_' are ordinary characters).
    ContentDb db;
    QSqlQuery q = db.run(QStringLiteral("SELECT Livros.Id, Livros.Livro, Livros.Capitulo, "
                                        "versiculos(Busca.Texto, ?) FROM Livros "
                                        "INNER JOIN Busca ON Livros.Id = Busca.Id "
                                        "Order By Livros.Chave, Livros.Capitulo"),
                         {foldText(word)});
    QStringList hits;
    while (q.next()) {
        const QString verses = q.value(3).toString();
        if (verses.isEmpty()) continue;
        // "Livro - capítulo:" once per chapter, then each verse number.
        const QString chapter = chapterReference(q.value(1).toString(), q.value(2).toInt());
        for (QStringView vers : QStringView(verses).split(QLatin1Char(','))) {
            QString line;
            line.reserve(chapter.size() + vers.size());
            hits << line.append(chapter).append(vers);
        }
    }
    if (hits.isEmpty()) {
        showMessage(QStringLiteral("Não foi encontrado nenhum resultado."));
        return;
    }
    const QSignalBlocker quiet(List1->selectionModel());
    lines_->setStringList(hits);
}

QStringList FrmLivros2::hits() const {
    return lines_->stringList();
}

void FrmLivros2::List1_Click() {
    const QModelIndexList chosen = List1->selectionModel()->selectedIndexes();
    if (chosen.isEmpty()) return;
    const QModelIndex line = chosen.first();
    const VerseRef ref = parseVerseReference(line.data().toString());
    ContentDb db;
    QSqlQuery livro =
        db.run(QStringLiteral("Select * from Livros where Chave = ? and Capitulo = ?"),
               {sortKey(ref.livro), numberOrNull(ref.capitulo)});
    if (!nextRow(livro)) return;
    const QVariant id = livro.value(QStringLiteral("Id"));
    QSqlQuery vers = db.run(QStringLiteral("Select * from Versiculos where Id = ? and Vers = ?"),
                            {id, numberOrNull(ref.vers)});
    if (nextRow(vers)) Text1->setPlainText(vers.value(QStringLiteral("Texto")).toString());
}

} // namespace tovelo
