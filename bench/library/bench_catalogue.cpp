// Times opening the catalogues and a reader window over 100,000 titles and over 100 titles.
// Usage: bench_catalogue [Tovelo.mdb]  (without one, a database is built from the test fixtures)
#include "AppCore.h"
#include "Articles.h"
#include "Builder.h"
#include "Catalogues.h"
#include "Cipher.h"
#include "TextKeys.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tovelo;

namespace {

constexpr int kRepetitions = 9;

void fill(const QString& database, int rows) {
    Db db(database);
    db.run(QStringLiteral("DELETE FROM Estudos"));
    db.run(QStringLiteral("DELETE FROM Ilustracoes"));
    Transaction transaction(db);
    const QString text = QStringLiteral("Um parágrafo de estudo.\tOutro parágrafo.");
    const QString enciphered = Cifrar(text, kChave);
    for (int i = 0; i < rows; ++i) {
        // A scattered order, so sorting really has work to do.
        const int n = int((qint64(i) * 7919) % rows);
        const QString estudo = QStringLiteral("Estudo número %1").arg(n);
        const QString reflexao = QStringLiteral("Reflexão %1").arg(n);
        db.run(QStringLiteral("INSERT INTO Estudos (Titulo, Texto, Chave) VALUES (?, ?, ?)"),
               {estudo, enciphered, sortKey(estudo)});
        db.run(QStringLiteral("INSERT INTO Ilustracoes (Titulo, Texto, Chave) VALUES (?, ?, ?)"),
               {reflexao, text, sortKey(reflexao)});
    }
    transaction.commit();
}

void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <class W> bool shownWithCount(W* w) {
    return w && w->isVisible() && !w->lblreg->text().isEmpty();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class W> double timeCatalogue() {
    std::vector<double> ms;
    for (int r = 0; r < kRepetitions; ++r) {
        QElapsedTimer t;
        t.start();
        W* w = openWindow<W>();
        while (!shownWithCount(w))
            QCoreApplication::processEvents();
        QCoreApplication::processEvents(); // the first paint
        ms.push_back(t.nsecsElapsed() / 1e6);
        delete w;
        settle();
    }
    return median(ms);
}

double timeReader(int rows) {
    std::vector<double> ms;
    for (int r = 0; r < kRepetitions; ++r) {
        TituloEstudo = QStringLiteral("Estudo número %1").arg((r * 37) % rows);
        QElapsedTimer t;
        t.start();
        FrmEstudos2* w = openWindow<FrmEstudos2>();
        while (!w->isVisible() || w->Text1->toPlainText().isEmpty())
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        ms.push_back(t.nsecsElapsed() / 1e6);
        delete w;
        settle();
    }
    return median(ms);
}

struct Row {
    double estudos, ilustracoes, leitor;
};

Row measure(const QString& database, int rows) {
    QElapsedTimer t;
    t.start();
    fill(database, rows);
    std::printf("filled %d studies and %d reflections in %.0f ms\n", rows, rows, t.elapsed() * 1.0);
    return {timeCatalogue<FrmEstudos>(), timeCatalogue<FrmIlustracoes>(), timeReader(rows)};
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    setMessageSink(
        [](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("Tovelo.mdb"));
    if (argc > 1) {
        if (!QFile::copy(QString::fromLocal8Bit(argv[1]), database)) {
            std::fprintf(stderr, "cannot copy %s\n", argv[1]);
            return 1;
        }
    } else {
        content::buildDatabase(QStringLiteral(TOVELO_FIXTURES "/scripture.tsv"),
                               QStringLiteral(TOVELO_FIXTURES "/authored"), database);
    }
    setProgramFolder(dir.path());

    const Row big = measure(database, 100000);
    const Row small = measure(database, 100);
    std::printf("median of %d openings, ms      100,000 rows   100 rows   ratio\n", kRepetitions);
    auto line = [](const char* what, double b, double s) {
        std::printf("%-30s %12.2f %10.2f %7.2f\n", what, b, s, s > 0 ? b / s : 0.0);
    };
    line("FrmEstudos (catalogue)", big.estudos, small.estudos);
    line("FrmIlustracoes (catalogue)", big.ilustracoes, small.ilustracoes);
    line("FrmEstudos2 (reader)", big.leitor, small.leitor);
    return 0;
}
