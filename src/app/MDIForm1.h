#pragma once

#include "UpdateCheck.h"

#include <QAction>
#include <QMainWindow>
#include <QMap>
#include <QMdiArea>
#include <QMenu>
#include <QTimer>

namespace tovelo {

class UpdateCheck;

// The main window: the workspace that holds every child window, the menu that opens them and
// the start-up timer that runs the update check once.
class MDIForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit MDIForm1(QWidget* parent = nullptr);
    ~MDIForm1() override;

    QMdiArea* area = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* Tovelo = nullptr;
    QAction* Livros = nullptr;
    QAction* Chave = nullptr;
    QAction* Leitura = nullptr;
    QAction* Estudos = nullptr;
    QAction* Relexao = nullptr;
    QAction* Mapas = nullptr;
    QMenu* Personagens = nullptr;
    QAction* Persona = nullptr;
    QAction* Discipulos = nullptr;
    QAction* Chat = nullptr;
    QAction* Autor = nullptr;

    // Fetches `url` into `file` and imports it for the kind being checked.
    bool Download(const QString& url, const QString& file);
    // Started by the first tick of Timer1; its finished() says what it brought.
    UpdateCheck updateCheck;

    // What the update check brought: the status bar says how many new studies, reflections and
    // maps came, when any did.
    void showUpdateNews(const QList<ImportedUpdate>& imported);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Timer1_Timer();
    void Persona_Click();
    void Discipulos_Click();
    void openSearch();
    void openReading();
};

} // namespace tovelo
