#include "Icon.h"

#include <QtTest>

using namespace tovelo;

class TestIcon : public QObject {
    Q_OBJECT
private slots:
    // Enlarged by whole pixels (every pixel a sharp block), reduced with a transparent ground.
    void theWindowIconAtEveryThemeSize() {
        const QImage source =
            QImage(QStringLiteral(TOVELO_WINDOW_ICON)).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(iconAt(source, 32), source);
        const QImage big = iconAt(source, 128);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                QCOMPARE(big.pixel(x, y), source.pixel(x / 4, y / 4));
        for (int size : {16, 24, 48}) {
            const QImage icon = iconAt(source, size);
            QCOMPARE(icon.size(), QSize(size, size));
            QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
        }
    }
};

QTEST_GUILESS_MAIN(TestIcon)
#include "test_icon.moc"
