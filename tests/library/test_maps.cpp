#include "AppCore.h"
#include "FrmMapas.h"
#include "TestSupport.h"
#include "TextKeys.h"

#include <QDir>
#include <QtTest>

using namespace tovelo;
using tovelo::test::ContentFixture;

namespace {

void writePicture(const ContentFixture& f, const QString& path, QColor colour) {
    QDir(f.folder()).mkpath("Mapas");
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(f.dir.filePath(path), "JPG"));
}

// Whether the middle of the picture shown is close to the colour (JPG is lossy).
bool shows(const FrmMapas* w, QColor c) {
    const QImage s = w->Image1->pixmap().toImage();
    const QColor m = s.isNull() ? QColor() : s.pixelColor(s.width() / 2, s.height() / 2);
    return qAbs(m.red() - c.red()) < 24 && qAbs(m.green() - c.green()) < 24 &&
           qAbs(m.blue() - c.blue()) < 24;
}

void choose(FrmMapas* w, int index) {
    w->Combo1->setCurrentIndex(index);
    emit w->Combo1->activated(index);
}

} // namespace

class TestMaps : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { delete instanceOf<FrmMapas>().data(); }

    // The chosen picture is shown; one that is missing, or outside the folder ("fora.jpg" is a
    // real picture there that must not be reached), is reported and the previous one stays.
    void showsTheChosenPictureOrKeepsThePreviousOne() {
        ContentFixture f;
        writePicture(f, "Mapas/um.jpg", Qt::red);
        writePicture(f, "Mapas/dois.jpg", Qt::blue);
        writePicture(f, "fora.jpg", Qt::green);
        f.exec("INSERT INTO Mapas (Titulo, Mapa, Chave) VALUES ('Ruim', 'faltando.jpg', ?), "
               "('Ruim 2', '../fora.jpg', ?)",
               {sortKey("Ruim"), sortKey("Ruim 2")});
        FrmMapas* w = openWindow<FrmMapas>();
        QCOMPARE(w->Combo1->currentText(), "Escolha um Mapa");
        QCOMPARE(w->Combo1->itemText(0) + ", " + w->Combo1->itemText(2), "Mapa Um, Mapa Dois");
        choose(w, 0);
        QVERIFY(shows(w, Qt::red));
        choose(w, 2);
        QVERIFY(shows(w, Qt::blue));
        QVERIFY(f.takeMessages().isEmpty());

        choose(w, 3);
        choose(w, 4);
        QVERIFY(shows(w, Qt::blue));
        QCOMPARE(f.takeMessages(),
                 QStringList({"Não foi possível abrir a figura do mapa: Mapas/faltando.jpg",
                              "O nome da figura deste mapa não é válido: \"../fora.jpg\"."}));
    }

    // A title typed exactly and left with Tab or Enter shows no map; choosing it does.
    void onlyAChoiceShowsAMap() {
        ContentFixture f;
        writePicture(f, "Mapas/um.jpg", Qt::red);
        FrmMapas* w = openWindow<FrmMapas>();
        test::typeInto(w->Combo1, "Mapa Um", Qt::Key_Tab);
        test::typeInto(w->Combo1, "Mapa Um", Qt::Key_Enter);
        QVERIFY(!shows(w, Qt::red));
        choose(w, 0);
        QVERIFY(shows(w, Qt::red));
        QVERIFY(f.takeMessages().isEmpty());
    }
};

QTEST_MAIN(TestMaps)
#include "test_maps.moc"
