#include "AppCore.h"
#include "FrmMapas.h"
#include "TestSupport.h"
#include "TextKeys.h"

#include <QDir>
#include <QtTest>

using namespace tovelo;
using tovelo::test::ContentFixture;

namespace {

void writePicture(const ContentFixture& f, const QString& name, QColor colour, QSize size = {60, 40}) {
    QDir(f.folder()).mkpath(QStringLiteral("Mapas"));
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(f.dir.filePath(QStringLiteral("Mapas/") + name), "JPG"));
}

QColor shownColour(const FrmMapas* w) {
    const QImage shown = w->Image1->pixmap().toImage();
    return shown.isNull() ? QColor() : shown.pixelColor(shown.width() / 2, shown.height() / 2);
}

bool near(QColor a, QColor b) {
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 &&
           qAbs(a.blue() - b.blue()) < 24;
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

    void safeNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("safe");
        QTest::newRow("plain") << "galileia.jpg" << true;
        QTest::newRow("parent path") << "../segredo.jpg" << false;
        QTest::newRow("dots first") << "..jpg" << false;
        QTest::newRow("sub-folder") << "sub/x.jpg" << false;
        QTest::newRow("backslash") << "..\\x.jpg" << false;
        QTest::newRow("empty") << "" << false;
    }
    void safeNames() {
        QFETCH(QString, name);
        QFETCH(bool, safe);
        QCOMPARE(isSafeMapName(name), safe);
    }

    void listsTitlesAndShowsChosenPicture() {
        ContentFixture f;
        writePicture(f, QStringLiteral("um.jpg"), Qt::red);
        writePicture(f, QStringLiteral("dois.jpg"), Qt::blue, {300, 20});
        FrmMapas* w = openWindow<FrmMapas>();
        QCOMPARE(w->Combo1->count(), 3);
        QCOMPARE(w->Combo1->itemText(0), QStringLiteral("Mapa Um"));
        QCOMPARE(w->Combo1->itemText(2), QStringLiteral("Mapa Dois"));
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("Escolha um Mapa"));

        choose(w, 0);
        QVERIFY(near(shownColour(w), Qt::red));
        // Either "Mapa Dois" shows the first row's picture; stretched to the frame.
        choose(w, 2);
        QVERIFY(near(shownColour(w), Qt::blue));
        QVERIFY(w->Image1->hasScaledContents());

        // A title whose row has gone meanwhile changes nothing.
        f.exec(QStringLiteral("DELETE FROM Mapas WHERE Titulo = 'Mapa Um'"));
        choose(w, 0);
        QVERIFY(near(shownColour(w), Qt::blue));
        QVERIFY(f.takeMessages().isEmpty());
    }

    void badPicturesKeepThePreviousOne_data() {
        QTest::addColumn<QString>("mapa");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "faltando.jpg" << "Não foi possível abrir a figura do mapa: Mapas/faltando.jpg";
        QTest::newRow("not a picture") << "texto.jpg" << "Não foi possível abrir a figura do mapa: Mapas/texto.jpg";
        QTest::newRow("leaves the folder") << "../fora.jpg" << "O nome da figura deste mapa não é válido: \"../fora.jpg\".";
    }
    void badPicturesKeepThePreviousOne() {
        QFETCH(QString, mapa);
        QFETCH(QString, message);
        ContentFixture f;
        writePicture(f, QStringLiteral("um.jpg"), Qt::green);
        QFile text(f.dir.filePath(QStringLiteral("Mapas/texto.jpg")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("isto não é uma figura");
        text.close();
        // A real picture just outside the folder, which must not be reached.
        QImage outside(10, 10, QImage::Format_RGB32);
        outside.fill(Qt::blue);
        QVERIFY(outside.save(f.dir.filePath(QStringLiteral("fora.jpg")), "JPG"));
        f.exec(QStringLiteral("INSERT INTO Mapas (Titulo, Mapa, Chave) VALUES ('Ruim', ?, ?)"),
               {mapa, sortKey(QStringLiteral("Ruim"))});

        FrmMapas* w = openWindow<FrmMapas>();
        choose(w, 0);
        QVERIFY(near(shownColour(w), Qt::green));
        choose(w, 3);
        QCOMPARE(f.takeMessages(), QStringList{message});
        QVERIFY(near(shownColour(w), Qt::green));
    }

    void emptyTableShowsPromptAndFirstPicture() {
        ContentFixture f;
        f.exec(QStringLiteral("DELETE FROM Mapas"));
        FrmMapas* w = openWindow<FrmMapas>();
        QCOMPARE(w->Combo1->count(), 0);
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("Escolha um Mapa"));
        QVERIFY(QFile::exists(QStringLiteral(":/tovelo/templo.jpg")));
        QCOMPARE(w->Image1->pixmap().toImage(),
                 QPixmap(QStringLiteral(":/tovelo/templo.jpg")).toImage());
        QVERIFY(f.takeMessages().isEmpty());
    }
};

QTEST_MAIN(TestMaps)
#include "test_maps.moc"
