#include "Articles.h"

#include "AppCore.h"
#include "Cipher.h"
#include "Controls.h"
#include "PrintText.h"
#include "TextKeys.h"

#include <QApplication>

namespace tovelo {

QString articleText(const QString& stored, bool enciphered) {
    QString text = enciphered ? Decifrar(stored, kChave) : stored;
    return text.replace(QLatin1Char('\t'), QStringLiteral("\r\n\r\n"));
}

ArticleReader::ArticleReader(const Look& look, QWidget* parent) : ChildWindow(parent), look_(look) {
    setupWindow(this, look.name, look.caption, look.client);
    const int x = look.left;
    const QPalette app = QApplication::palette();
    QPalette band = palette();
    band.setColor(QPalette::Window,
                  look.bandIsMenuText ? app.color(QPalette::WindowText) : QColor(192, 0, 0));
    band.setColor(QPalette::WindowText, app.color(QPalette::HighlightedText));

    // label5 is created after Label2 so it lies on top where the two overlap.
    Label2 = label(this, "Label2", QString(), {x, 8, 393, 17});
    label5 = label(this, "label5", QString(), {x, 16, 393, 25});
    for (QLabel* l : {Label2, label5}) {
        l->setPalette(band);
        l->setAutoFillBackground(true);
    }
    label5->setFont(fontOf(QStringLiteral("Arial"), 11.25, true));
    label5->setAlignment(Qt::AlignCenter);
    Text1 = textBox(this, "Text1", {x, 40, 393, 337});
    Command2 =
        button(this, "Command2", QStringLiteral("Imprimir"), {look.buttonsLeft, 392, 65, 33});
    Command1 =
        button(this, "Command1", QStringLiteral("Sair"), {look.buttonsLeft + 80, 392, 65, 33});
    Label1 = label(this, "Label1", QStringLiteral("Fonte: texto escrito pela equipe do Tovelo."),
                   {x, 408, 233, 17});
    Label1->setFont(fontOf(QStringLiteral("Arial"), 6.75));

    if (look.printFirst) {
        setTabOrder(Command2, Text1);
        setTabOrder(Text1, Command1);
        Command2->setFocus();
    } else {
        setTabOrder(Command1, Text1);
        setTabOrder(Text1, Command2);
        Command1->setFocus();
    }

    handle(Command2, &QPushButton::clicked, this, &ArticleReader::Command2_Click);
    addPrintShortcut(this, Command2);
    connect(Command1, &QPushButton::clicked, this, [this] { closeChild(this); });
}

void ArticleReader::load() {
    const QString title = *look_.title;
    QString stored;
    {
        ContentDb db;
        QSqlQuery q = db.run(look_.statement, {sortKey(title)});
        // A title without a row shows an empty article rather than failing.
        if (nextRow(q)) stored = q.value(QStringLiteral("Texto")).toString();
    }
    Text1->setPlainText(articleText(stored, look_.enciphered));
    label5->setText(title);
    loadedTitle_ = title;
}

void ArticleReader::Command2_Click() {
    PrintText(loadedTitle_, Text1->toPlainText());
}

FrmEstudos2::FrmEstudos2(QWidget* parent)
    : ArticleReader({"FrmEstudos2",
                     QStringLiteral("Estudos Bíblicos"),
                     {426, 429},
                     &TituloEstudo,
                     QStringLiteral("SELECT Texto FROM Estudos where Chave = ?"),
                     true,
                     true,
                     16,
                     264,
                     false},
                    parent) {}

FrmIlustracoes2::FrmIlustracoes2(QWidget* parent)
    : ArticleReader({"FrmIlustracoes2",
                     QStringLiteral("Para Meditar - Texto"),
                     {417, 428},
                     &TituloIlustracao,
                     QStringLiteral("SELECT Titulo, Texto FROM Ilustracoes where Chave = ?"),
                     false,
                     false,
                     8,
                     256,
                     true},
                    parent) {}

} // namespace tovelo
