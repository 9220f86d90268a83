#include "FrmLivros.h"

#include "AppCore.h"
#include "Controls.h"
#include "Scripture.h"
#include "TextKeys.h"

namespace tovelo {
namespace {

const QString kVerseJoin = QStringLiteral(
    "SELECT Livros.Id, Livros.Livro, Livros.Periodo, Livros.Capitulo, Versiculos.Vers, "
    "Versiculos.Texto FROM Livros INNER JOIN Versiculos ON Livros.Id = Versiculos.Id "
    "WHERE Livros.Chave = ?");

void refill(QComboBox* combo, const QStringList& items) {
    combo->clear();
    combo->clearEditText();
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    combo->clearEditText();
}

} // namespace

FrmLivros::FrmLivros(QWidget* parent) : ChildWindow(parent) {
    setupWindow(this, "FrmLivros", QStringLiteral("Tovelo Sagrada"), {515, 365});
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    const QFont labels = fontOf(QStringLiteral("MS Sans Serif"), 9.75, true);
    Combo1 = comboField(this, "Combo1", {16, 16, 137, 21});
    Combo2 = comboField(this, "Combo2", {16, 48, 161, 21});
    Label1 = label(this, "Label1", QStringLiteral("CAPÍTULO"), {192, 16, 81, 17});
    Combo3 = comboField(this, "Combo3", {280, 16, 65, 21});
    Label3 = label(this, "Label3", QStringLiteral("VERSÍCULO"), {192, 48, 97, 17});
    Combo4 = comboField(this, "Combo4", {288, 48, 41, 21});
    Label4 = label(this, "Label4", QStringLiteral("A"), {336, 48, 17, 17});
    Combo5 = comboField(this, "Combo5", {352, 48, 41, 21});
    Command1 = button(this, "Command1", QStringLiteral("SAIR"), {416, 40, 81, 25});
    Text1 = textBox(this, "Text1", {16, 88, 481, 265});
    for (QLabel* l : {Label1, Label3, Label4})
        l->setFont(labels);
    Command1->setFont(fontOf(QStringLiteral("Arial"), 9.75));
    // The fields are narrow: in a narrow face (Arial Narrow, or its metric twin Liberation Sans
    // Narrow) the periods and every book name fit them whole, and a three-digit chapter or
    // verse fits the smallest ones.
    for (QComboBox* c : {Combo1, Combo2})
        c->setFont(fontOf(QStringLiteral("Arial Narrow"), 8.25));
    for (QComboBox* c : {Combo3, Combo4, Combo5})
        c->setFont(fontOf(QStringLiteral("Arial Narrow"), 7.75));
    for (QComboBox* c : {Combo2, Combo3, Combo4, Combo5})
        c->setEnabled(false);
    setTabOrder(Combo1, Combo2);
    setTabOrder(Combo2, Combo3);
    setTabOrder(Combo3, Combo4);
    setTabOrder(Combo4, Combo5);
    setTabOrder(Combo5, Text1);
    setTabOrder(Text1, Command1);

    handle(Combo1, &QComboBox::activated, this, &FrmLivros::Combo1_Click);
    handle(Combo2, &QComboBox::activated, this, &FrmLivros::Combo2_Click);
    handle(Combo3, &QComboBox::activated, this, &FrmLivros::Combo3_Click);
    handle(Combo5, &QComboBox::activated, this, &FrmLivros::Combo5_Click);
    connect(Command1, &QPushButton::clicked, this, [this] { closeChild(this); });
}

void FrmLivros::load() {
    Text1->clear();
    for (QComboBox* c : {Combo1, Combo2, Combo3, Combo4, Combo5})
        c->clear();
    Combo1->setEditText(QStringLiteral("PERIODO"));
    Combo2->setEditText(QStringLiteral("LIVRO"));
    Combo3->setEditText(QStringLiteral("CAPITULO"));
    Combo4->setEditText(QStringLiteral("VERS1"));
    Combo5->setEditText(QStringLiteral("VERS2"));
    Combo1->addItems({QStringLiteral("ANTIGO TESTAMENTO"), QStringLiteral("NOVO TESTAMENTO")});
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QStringLiteral("PERIODO"));
}

void FrmLivros::Combo1_Click() {
    QString periodo;
    if (Combo1->currentText() == QStringLiteral("ANTIGO TESTAMENTO"))
        periodo = QStringLiteral("VT");
    else if (Combo1->currentText() == QStringLiteral("NOVO TESTAMENTO"))
        periodo = QStringLiteral("NT");
    else
        showMessage(QStringLiteral("Por Favor escolha um Periodo."));

    ContentDb db;
    QSqlQuery q = db.run(QStringLiteral("Select Livro from Livros where Periodo = ? "
                                        "COLLATE NOCASE Group By Chave Order By Chave"),
                         {periodo});
    QStringList books;
    while (nextRow(q))
        books << q.value(0).toString();
    refill(Combo2, books);
    Combo2->setEnabled(true);
}

void FrmLivros::Combo2_Click() {
    ContentDb db;
    QSqlQuery q =
        db.run(QStringLiteral("Select Capitulo from Livros where Chave = ? Order By Capitulo"),
               {sortKey(Combo2->currentText())});
    QStringList chapters;
    while (nextRow(q))
        chapters << q.value(0).toString();
    refill(Combo3, chapters);
    Combo3->setEnabled(true);
}

void FrmLivros::Combo3_Click() {
    ContentDb db;
    QSqlQuery q = db.run(kVerseJoin + QStringLiteral(" AND Livros.Capitulo = ? "
                                                     "Order By Versiculos.Vers"),
                         {sortKey(Combo2->currentText()), numberOrNull(Combo3->currentText())});
    QStringList verses;
    while (nextRow(q))
        verses << q.value(4).toString();
    refill(Combo4, verses);
    refill(Combo5, verses);
    Combo4->setEnabled(true);
    Combo5->setEnabled(true);
}

void FrmLivros::Combo5_Click() {
    const QString livro = Combo2->currentText();
    const QString capitulo = Combo3->currentText();
    const QString primeiro = Combo4->currentText();
    const QString ultimo = Combo5->currentText();
    ContentDb db;
    QSqlQuery q = db.run(
        kVerseJoin + QStringLiteral(" AND Livros.Capitulo = ? AND "
                                    "Versiculos.Vers >= ? And "
                                    "Versiculos.Vers <= ? Order By Vers"),
        {sortKey(livro), numberOrNull(capitulo), numberOrNull(primeiro), numberOrNull(ultimo)});
    QString passage;
    while (nextRow(q))
        passage += passageBlock(q.value(4).toInt(), q.value(5).toString());
    Text1->setPlainText(passage);
}

} // namespace tovelo
