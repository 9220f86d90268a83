#include "FrmPers.h"

#include "AppCore.h"
#include "Cipher.h"
#include "Controls.h"
#include "PrintText.h"

#include <QCoreApplication>

namespace tovelo {
namespace {

const QString kCredit =
    QStringLiteral("Fonte: textos escritos pela equipe do Tovelo a partir das Escrituras.");
const QString kPrompt = QStringLiteral("Escolha um Personagem");

bool disciplesWanted() {
    return TipoPers == QStringLiteral("Discipulos");
}

} // namespace

QString characterText(const QStringList& parts) {
    QString text;
    for (const QString& part : parts)
        text += part + QStringLiteral("\r\n\r\n");
    return text.replace(QStringLiteral("##"), QStringLiteral("\r\n"));
}

FrmPers::FrmPers(QWidget* parent) : ChildWindow(parent) {
    setupWindow(this, "FrmPers", QStringLiteral("Personagens Bíblicos"), {415, 323});
    Combo1 = comboField(this, "Combo1", {16, 8, 193, 21});
    Combo1->setEditText(QStringLiteral("Combo1"));
    Command2 = button(this, "Command2", QStringLiteral("Imprimir"), {240, 8, 65, 25});
    Command1 = button(this, "Command1", QStringLiteral("Sair"), {320, 8, 73, 25});
    Label1 = label(this, "Label1", QString(), {16, 48, 377, 25});
    Label1->setFont(fontOf(QStringLiteral("BankGothic Md BT"), 14.25));
    Label1->setAlignment(Qt::AlignCenter);
    Text1 = textBox(this, "Text1", {16, 88, 377, 209});
    Text1->setPlainText(QStringLiteral("Text1"));
    Label3 = label(this, "Label3", kCredit, {16, 304, 377, 17});
    Label3->setFont(fontOf(QStringLiteral("Arial"), 6.75));
    setTabOrder(Combo1, Command2);
    setTabOrder(Command2, Command1);
    setTabOrder(Command1, Text1);

    handle(Combo1, &QComboBox::activated, this, &FrmPers::Combo1_Click);
    handle(Command2, &QPushButton::clicked, this, &FrmPers::Command2_Click);
    addPrintShortcut(this, Command2);
    handle(Command1, &QPushButton::clicked, this, &FrmPers::Command1_Click);
}

void FrmPers::load() {
    // The window is painted before the list is filled.
    QCoreApplication::processEvents();
    const bool disciples = disciplesWanted();
    Label3->setText(disciples ? QString() : kCredit);

    ContentDb db;
    QSqlQuery q = db.run(disciples ? QStringLiteral("Select * From Discipulos order by Item")
                                   : QStringLiteral("Select * From Personagens"));
    QStringList names;
    while (nextRow(q)) {
        const QString nome = q.value(QStringLiteral("Nome")).toString();
        const QString name = disciples ? nome : Decifrar(nome, kChave);
        // A character stored over several rows is one entry: its look-up joins them all.
        if (disciples || !names.contains(name)) names << name;
    }

    Combo1->clear();
    Text1->clear();
    Label1->clear();
    Combo1->addItems(names);
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(kPrompt);
    disciples_ = disciples;
    loaded_ = true;
}

void FrmPers::modeChanged() {
    if (!loaded_ || disciplesWanted() != disciples_) load();
}

void FrmPers::Combo1_Click() {
    const QString name = Combo1->currentText();
    ContentDb db;
    if (disciples_) {
        QSqlQuery q = db.run(
            QStringLiteral("Select Texto from Discipulos where Nome = ? COLLATE TOVELO"), {name});
        Text1->clear();
        // A name with no row shows an empty text instead of failing.
        if (nextRow(q)) Text1->setPlainText(q.value(0).toString());
    } else {
        QSqlQuery q =
            db.run(QStringLiteral("Select Texto from Personagens where Nome = ? COLLATE TOVELO"),
                   {Cifrar(name, kChave)});
        Text1->clear();
        QStringList parts;
        while (nextRow(q))
            parts << Decifrar(q.value(0).toString(), kChave);
        Text1->setPlainText(characterText(parts));
    }
    Label1->setText(name);
}

void FrmPers::Command2_Click() {
    PrintText(Label1->text(), Text1->toPlainText());
}

void FrmPers::Command1_Click() {
    closeChild(this);
}

} // namespace tovelo
