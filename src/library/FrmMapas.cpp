#include "FrmMapas.h"

#include "AppCore.h"
#include "Controls.h"
#include "TextKeys.h"

#include <QImageReader>
#include <QPixmap>

// The resources live in a static library: referencing them keeps the linker from dropping them.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace tovelo {

bool isSafeMapName(const QString& name) {
    return !name.isEmpty() && !name.startsWith(QStringLiteral("..")) &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

FrmMapas::FrmMapas(QWidget* parent) : ChildWindow(parent) {
    setupWindow(this, "FrmMapas", QStringLiteral("Mapas Históricos"), {586, 516});
    Combo1 = comboField(this, "Combo1", {16, 16, 329, 21});
    Combo1->setEditText(QStringLiteral("Combo1"));
    Command1 = button(this, "Command1", QStringLiteral("SAIR"), {480, 16, 81, 25});
    Command1->setFont(fontOf(QStringLiteral("MS Sans Serif"), 9.75, true));
    Image1 = control<QLabel>(this, "Image1", {16, 56, 553, 425});
    Image1->setScaledContents(true);
    // The Temple picture stands there until the first map is chosen.
    initResources();
    const QPixmap first(QStringLiteral(":/tovelo/templo.jpg"));
    if (!first.isNull()) Image1->setPixmap(first);
    Label3 = label(this, "Label3", QStringLiteral("Fontes:"), {8, 496, 569, 17});
    setTabOrder(Combo1, Command1);

    handle(Combo1, &QComboBox::activated, this, &FrmMapas::Combo1_Click);
    connect(Command1, &QPushButton::clicked, this, [this] { closeChild(this); });
}

void FrmMapas::load() {
    QStringList titles;
    {
        ContentDb db;
        QSqlQuery q = db.run(QStringLiteral("Select * From Mapas"));
        while (nextRow(q))
            titles << q.value(QStringLiteral("Titulo")).toString();
    }
    Combo1->clear();
    Combo1->addItems(titles);
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QStringLiteral("Escolha um Mapa"));
}

void FrmMapas::Combo1_Click() {
    QString mapa;
    {
        ContentDb db;
        QSqlQuery q = db.run(QStringLiteral("Select * From Mapas where Chave = ?"),
                             {sortKey(Combo1->currentText())});
        if (!nextRow(q)) return;
        mapa = q.value(QStringLiteral("Mapa")).toString();
    }
    // The name comes from the database, which updates from the network also write: it must
    // never reach a file outside the Mapas folder.
    if (!isSafeMapName(mapa)) {
        showMessage(QStringLiteral("O nome da figura deste mapa não é válido: \"%1\".").arg(mapa));
        return;
    }
    QImageReader reader(mapPicture(mapa));
    const QImage picture = reader.read();
    if (picture.isNull()) {
        showMessage(QStringLiteral("Não foi possível abrir a figura do mapa: Mapas/%1").arg(mapa));
        return;
    }
    Image1->setPixmap(QPixmap::fromImage(picture));
}

} // namespace tovelo
