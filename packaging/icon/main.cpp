#include "Icon.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <cstdio>

// tovelo-icon PICTURE FOLDER NAME SIZE...: writes FOLDER/SIZExSIZE/apps/NAME.png for each size.
int main(int argc, char* argv[]) {
    const QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: tovelo-icon PICTURE FOLDER NAME SIZE...\n");
        return 2;
    }
    const QImage source(args[0]);
    if (source.isNull()) {
        std::fprintf(stderr, "tovelo-icon: cannot read %s\n", qPrintable(args[0]));
        return 1;
    }
    for (const QString& text : args.mid(3)) {
        const int size = text.toInt();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args[1]).arg(size);
        const QString file = folder + QLatin1Char('/') + args[2] + QStringLiteral(".png");
        if (size <= 0 || !QDir().mkpath(folder) || !tovelo::iconAt(source, size).save(file)) {
            std::fprintf(stderr, "tovelo-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
