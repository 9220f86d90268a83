#include "FrmSobre.h"

#include "Controls.h"

namespace tovelo {
namespace {

const QString kBreak = QStringLiteral("\r\n");

} // namespace

QString aboutText() {
    QString text;
    text += QStringLiteral("Tovelo Sagrada vs 1.0") + kBreak + kBreak;
    text += QStringLiteral("Autor: Equipe Tovelo") + kBreak + kBreak;
    text += QStringLiteral("Realizo diversos trabalhos relativos a informática.");
    text += QStringLiteral(" Você que utiliza este software e gosta do meu trabalho, não");
    text += QStringLiteral(" deixe de fazer um orçamento do que você precisa comigo.") + kBreak +
            kBreak;
    text += QStringLiteral("Envie um email para contato@tovelo.org") + kBreak + kBreak;
    text += QStringLiteral("Fica na Paz do Senhor. Amém!");
    return text;
}

FrmSobre::FrmSobre(QWidget* parent) : ChildWindow(parent) {
    setupWindow(this, "FrmSobre", QStringLiteral("Muito Obrigado!!!"), {272, 207});
    Text1 = control<QPlainTextEdit>(this, "Text1", {8, 8, 256, 191});
    Text1->setReadOnly(true);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Built once here, so bringing the open window to the front never adds it again.
    Text1->setPlainText(aboutText());
}

void FrmSobre::load() {}

} // namespace tovelo
