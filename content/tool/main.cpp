#include "Builder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <exception>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.setApplicationDescription(QStringLiteral("Builds the content database Tovelo.mdb."));
    args.addHelpOption();
    args.addOption(
        {QStringLiteral("scripture"), QStringLiteral("Bible text (tsv)."), QStringLiteral("file")});
    args.addOption({QStringLiteral("authored"), QStringLiteral("Folder of the authored texts."),
                    QStringLiteral("folder")});
    args.addOption(
        {QStringLiteral("out"), QStringLiteral("Database to write."), QStringLiteral("file")});
    args.process(app);
    if (!args.isSet(QStringLiteral("scripture")) || !args.isSet(QStringLiteral("out"))) {
        std::fprintf(stderr, "tovelo-content: --scripture and --out are required\n");
        return 2;
    }
    try {
        const auto c = tovelo::content::buildDatabase(args.value(QStringLiteral("scripture")),
                                                      args.value(QStringLiteral("authored")),
                                                      args.value(QStringLiteral("out")));
        std::printf("Tovelo.mdb: %d books, %d chapters, %d verses, %d characters, %d disciples, "
                    "%d studies, %d reflections, %d maps\n",
                    c.books, c.chapters, c.verses, c.characters, c.disciples, c.studies,
                    c.reflections, c.maps);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tovelo-content: %s\n", e.what());
        return 1;
    }
    return 0;
}
