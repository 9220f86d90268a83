#pragma once

#include "ProgramFolder.h"

#include <QMdiArea>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

namespace tovelo {

// Program-wide values that travel between windows.
extern QString TipoPers;         // "Discipulos" selects the disciples in FrmPers
extern QString TituloEstudo;     // last title chosen in the studies catalogue
extern QString TituloIlustracao; // last title chosen in the reflections catalogue

// Every message box: the text, OK only, no icon, title "Tovelo".
void showMessage(const QString& text);
using MessageSink = std::function<void(const QString&)>;
void setMessageSink(MessageSink sink); // tests record messages instead of showing a box

// A line in the main window's status bar (what the last search found, what the update check
// brought); nothing without a main window.
void setStatusLine(QStatusBar* bar);
void showStatus(const QString& text);

// "1 versículo", "370 versículos", "4.012 versículos".
QString counted(qint64 n, const QString& one, const QString& many);

// The user's own settings (text size, the last passage read), in the user's configuration
// folder: never in the content database.
std::unique_ptr<QSettings> userSettings();

// Qt's own texts (context menus, standard dialogs and buttons) in Portuguese, whatever the
// system's language: the program is Portuguese.
void usePortugueseQtTexts();

// Runs one event handler: any failure is shown in the message box and the program goes on.
void guarded(const std::function<void()>& handler);

// Connects a signal to a member handler that runs inside guarded().
template <class Sender, class Signal, class Receiver>
void handle(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*method)()) {
    QObject::connect(sender, signal, receiver,
                     [receiver, method] { guarded([&] { (receiver->*method)(); }); });
}

// The child windows live in the main window's workspace; without one (tests) they are shown
// as top-level windows.
void setWorkspace(QMdiArea* area);
QMdiArea* workspace();
void showChild(QWidget* window);  // adds it to the workspace once, shows it, brings it to front
void closeChild(QWidget* window); // closes (unloads) it

// The single program-wide instance of a child window. A window not open is created, shown and
// loaded (W::load()); an open one is only brought to the front.
template <class W> QPointer<W>& instanceOf() {
    static QPointer<W> instance;
    return instance;
}

template <class W> W* openWindow(bool* created = nullptr) {
    QPointer<W>& instance = instanceOf<W>();
    const bool isNew = instance.isNull();
    if (isNew) instance = new W();
    showChild(instance);
    if (created) *created = isNew;
    if (isNew) {
        W* window = instance;
        guarded([window] { window->load(); });
    }
    return instance;
}

} // namespace tovelo
