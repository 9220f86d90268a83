#include "MDIForm1.h"

#include "AppCore.h"
#include "Catalogues.h"
#include "FrmChat.h"
#include "FrmLeitura.h"
#include "FrmLivros.h"
#include "FrmLivros2.h"
#include "FrmMapas.h"
#include "FrmPers.h"
#include "FrmSobre.h"

#include <QMdiSubWindow>
#include <QMenuBar>
#include <QShortcut>

namespace tovelo {
namespace {

QAction* command(QWidget* owner, const char* name, const QString& caption) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

template <class W> void opens(QAction* action) {
    QObject::connect(action, &QAction::triggered, action, [] { openWindow<W>(); });
}

// An open characters window reloads its list when the other library is chosen, so its list
// and its look-ups always agree.
void showCharacters() {
    bool created = false;
    FrmPers* window = openWindow<FrmPers>(&created);
    if (!created) window->modeChanged();
}

} // namespace

MDIForm1::MDIForm1(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("Tovelo Sagrada"));
    setWindowIcon(QIcon(QStringLiteral(":/tovelo/tovelo.xpm")));

    area = new QMdiArea(this);
    area->setObjectName(QStringLiteral("area"));
    area->setBackground(palette().brush(QPalette::Dark));
    setCentralWidget(area);
    setWorkspace(area);

    // Every caption reads as always; the letter after "&" is underlined and reached with Alt.
    Tovelo = menuBar()->addMenu(QStringLiteral("&Tovelo"));
    Tovelo->setObjectName(QStringLiteral("Tovelo"));
    Livros = command(this, "Livros", QStringLiteral("Por &Livros"));
    Chave = command(this, "Chave", QStringLiteral("Por &Palavra-Chave"));
    Leitura = command(this, "Leitura", QStringLiteral("L&eitura"));
    Leitura->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    Tovelo->addAction(Livros);
    Tovelo->addAction(Chave);
    Tovelo->addAction(Leitura);
    Estudos = command(this, "Estudos", QStringLiteral("&Estudos"));
    Relexao = command(this, "Relexao", QStringLiteral("&Reflexão"));
    Mapas = command(this, "Mapas", QStringLiteral("&Mapas"));
    menuBar()->addAction(Estudos);
    menuBar()->addAction(Relexao);
    menuBar()->addAction(Mapas);
    Personagens = menuBar()->addMenu(QStringLiteral("&Personagens"));
    Personagens->setObjectName(QStringLiteral("Personagens"));
    Persona = command(this, "Persona", QStringLiteral("&Biblioteca"));
    Discipulos = command(this, "Discipulos", QStringLiteral("&Fim dos Discipulos"));
    Personagens->addAction(Persona);
    Personagens->addAction(Discipulos);
    Chat = command(this, "Chat", QStringLiteral("&Chat"));
    Autor = command(this, "Autor", QStringLiteral("&Sobre o Autor"));
    menuBar()->addAction(Chat);
    menuBar()->addAction(Autor);
    // F10 opens the first menu, as in most desktop programs.
    new QShortcut(Qt::Key_F10, this, [this] { menuBar()->setActiveAction(Tovelo->menuAction()); });
    // Ctrl+W and Ctrl+F4 close the child window in front, wherever the focus is (also on the
    // menu bar after a menu was left); each child window's own binding is taken off (showChild).
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_F4)})
        new QShortcut(keys, this, [this] {
            if (QMdiSubWindow* front = area->currentSubWindow()) front->close();
        });
    setStatusLine(statusBar());

    opens<FrmLivros>(Livros);
    connect(Chave, &QAction::triggered, this, &MDIForm1::openSearch);
    connect(Leitura, &QAction::triggered, this, &MDIForm1::openReading);
    opens<FrmEstudos>(Estudos);
    opens<FrmIlustracoes>(Relexao);
    opens<FrmMapas>(Mapas);
    opens<FrmChat>(Chat);
    opens<FrmSobre>(Autor);
    handle(Persona, &QAction::triggered, this, &MDIForm1::Persona_Click);
    handle(Discipulos, &QAction::triggered, this, &MDIForm1::Discipulos_Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(20);
    handle(Timer1, &QTimer::timeout, this, &MDIForm1::Timer1_Timer);
    Timer1->start();
    // Only a full disk is said: every other failed download waits quietly for the next start.
    connect(&updateCheck, &UpdateCheck::finished, this,
            [this](const QList<ImportedUpdate>& imported, const QString& problem) {
                showUpdateNews(imported);
                if (!problem.isEmpty()) showMessage(problem);
            });
}

MDIForm1::~MDIForm1() {
    setWorkspace(nullptr);
    setStatusLine(nullptr);
}

void MDIForm1::closeEvent(QCloseEvent* event) {
    // Every child window closes with the main window, running its own closing.
    area->closeAllSubWindows();
    QMainWindow::closeEvent(event);
}

void MDIForm1::Timer1_Timer() {
    // The check runs once per start.
    Timer1->stop();
    updateCheck.start();
}

void MDIForm1::showUpdateNews(const QList<ImportedUpdate>& imported) {
    QMap<QString, int> records;
    for (const ImportedUpdate& update : imported) records[update.kind] += update.records;
    QStringList news;
    const auto add = [&](const char* kind, const char* one, const char* many) {
        if (const int n = records.value(QLatin1String(kind)); n > 0)
            news << counted(n, QString::fromUtf8(one), QString::fromUtf8(many));
    };
    add("Estudos", "estudo", "estudos");
    add("Reflexoes", "reflexão", "reflexões");
    add("Mapas", "mapa", "mapas");
    if (news.isEmpty()) return;
    const QString last = news.takeLast();
    statusBar()->showMessage(
        QStringLiteral("Chegou com a atualização: ") +
        (news.isEmpty() ? last : news.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last) +
        QLatin1Char('.'));
}

void MDIForm1::openSearch() {
    bool created = false;
    FrmLivros2* search = openWindow<FrmLivros2>(&created);
    if (created)
        connect(search, &FrmLivros2::hitOpened, this,
                [](const QString& livro, int capitulo, int vers, const QString& searched) {
                    FrmLeitura* reading = openWindow<FrmLeitura>();
                    guarded([&] { reading->showVerse(livro, capitulo, vers, searched); });
                });
}

void MDIForm1::openReading() {
    openWindow<FrmLeitura>()->focusReference();
}

bool MDIForm1::Download(const QString& url, const QString& file) {
    return updateCheck.Download(url, file);
}

void MDIForm1::Persona_Click() {
    TipoPers.clear();
    showCharacters();
}

void MDIForm1::Discipulos_Click() {
    TipoPers = QStringLiteral("Discipulos");
    showCharacters();
}

} // namespace tovelo
