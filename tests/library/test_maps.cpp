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
    QDir(f.folder()).mkpath(QStringLiteral("Mapas"));
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

    void listsTitlesAndShowsChosenPicture() {
        ContentFixture f;
        writePicture(f, QStringLiteral("Mapas/um.jpg"), Qt::red);
        writePicture(f, QStringLiteral("Mapas/dois.jpg"), Qt::blue);
        FrmMapas* w = openWindow<FrmMapas>();
        QCOMPARE(w->Combo1->itemText(0), QStringLiteral("Mapa Um"));
        QCOMPARE(w->Combo1->itemText(2), QStringLiteral("Mapa Dois"));
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("Escolha um Mapa"));

        choose(w, 0);
        QVERIFY(shows(w, Qt::red));
        choose(w, 2);
        QVERIFY(shows(w, Qt::blue));
        QVERIFY(f.takeMessages().isEmpty());
    }

    void badPicturesKeepThePreviousOne_data() {
        QTest::addColumn<QString>("mapa");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "faltando.jpg"
                                 << "Não foi possível abrir a figura do mapa: Mapas/faltando.jpg";
        QTest::newRow("leaves the folder")
            << "../fora.jpg"
            << "O nome da figura deste mapa não é válido: \"../fora.jpg\".";
    }
    void badPicturesKeepThePreviousOne() {
        QFETCH(QString, mapa);
        QFETCH(QString, message);
        ContentFixture f;
        writePicture(f, QStringLiteral("Mapas/um.jpg"), Qt::green);
        // A real picture just outside the folder, which must not be reached.
        writePicture(f, QStringLiteral("fora.jpg"), Qt::blue);
        f.exec(QStringLiteral("INSERT INTO Mapas (Titulo, Mapa, Chave) VALUES ('Ruim', ?, ?)"),
               {mapa, sortKey(QStringLiteral("Ruim"))});

        FrmMapas* w = openWindow<FrmMapas>();
        choose(w, 0);
        QVERIFY(shows(w, Qt::green));
        choose(w, 3);
        QCOMPARE(f.takeMessages(), QStringList{message});
        QVERIFY(shows(w, Qt::green));
    }
};

QTEST_MAIN(TestMaps)
#include "test_maps.moc"
