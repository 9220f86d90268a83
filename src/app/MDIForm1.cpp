#include "MDIForm1.h"

#include "AppCore.h"
#include "Catalogues.h"
#include "FrmChat.h"
#include "FrmLivros.h"
#include "FrmLivros2.h"
#include "FrmMapas.h"
#include "FrmPers.h"
#include "FrmSobre.h"

#include <QMenuBar>

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

    Tovelo = menuBar()->addMenu(QStringLiteral("Tovelo"));
    Tovelo->setObjectName(QStringLiteral("Tovelo"));
    Livros = command(this, "Livros", QStringLiteral("Por Livros"));
    Chave = command(this, "Chave", QStringLiteral("Por Palavra-Chave"));
    Tovelo->addAction(Livros);
    Tovelo->addAction(Chave);
    Estudos = command(this, "Estudos", QStringLiteral("Estudos"));
    Relexao = command(this, "Relexao", QStringLiteral("Reflexão"));
    Mapas = command(this, "Mapas", QStringLiteral("Mapas"));
    menuBar()->addAction(Estudos);
    menuBar()->addAction(Relexao);
    menuBar()->addAction(Mapas);
    Personagens = menuBar()->addMenu(QStringLiteral("Personagens"));
    Personagens->setObjectName(QStringLiteral("Personagens"));
    Persona = command(this, "Persona", QStringLiteral("Biblioteca"));
    Discipulos = command(this, "Discipulos", QStringLiteral("Fim dos Discipulos"));
    Personagens->addAction(Persona);
    Personagens->addAction(Discipulos);
    Chat = command(this, "Chat", QStringLiteral("Chat"));
    Autor = command(this, "Autor", QStringLiteral("Sobre o Autor"));
    menuBar()->addAction(Chat);
    menuBar()->addAction(Autor);

    opens<FrmLivros>(Livros);
    opens<FrmLivros2>(Chave);
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
            [](const QList<ImportedUpdate>&, const QString& problem) {
                if (!problem.isEmpty()) showMessage(problem);
            });
}

MDIForm1::~MDIForm1() {
    setWorkspace(nullptr);
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
