#include "AppCore.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTranslator>
#include <exception>

namespace tovelo {

QString TipoPers;
QString TituloEstudo;
QString TituloIlustracao;

namespace {

MessageSink& sink() {
    static MessageSink s;
    return s;
}

QPointer<QMdiArea>& area() {
    static QPointer<QMdiArea> a;
    return a;
}

QPointer<QStatusBar>& statusLine() {
    static QPointer<QStatusBar> s;
    return s;
}

} // namespace

void showMessage(const QString& text) {
    if (sink()) {
        sink()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tovelo"), text, QMessageBox::Ok);
    // Messages quote stored and received text (titles, map names, server errors): never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void setMessageSink(MessageSink s) {
    sink() = std::move(s);
}

void setStatusLine(QStatusBar* bar) {
    statusLine() = bar;
}

void showStatus(const QString& text) {
    if (QStatusBar* bar = statusLine()) bar->showMessage(text);
}

QString counted(qint64 n, const QString& one, const QString& many) {
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(n) + QLatin1Char(' ') +
           (n == 1 ? one : many);
}

std::unique_ptr<QSettings> userSettings() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::make_unique<QSettings>(folder + QStringLiteral("/Tovelo/Tovelo.conf"),
                                       QSettings::IniFormat);
}

void usePortugueseQtTexts() {
    auto* texts = new QTranslator(qApp);
    if (texts->load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"),
                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(texts);
    else
        delete texts;
}

void guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        showMessage(QString::fromUtf8(e.what()));
    } catch (...) {
        showMessage(QStringLiteral("Ocorreu um erro inesperado."));
    }
}

void setWorkspace(QMdiArea* a) {
    area() = a;
}

QMdiArea* workspace() {
    return area();
}

void showChild(QWidget* window) {
    if (QMdiArea* a = area()) {
        auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
        if (!sub) {
            Qt::WindowFlags flags = Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                    Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint;
            if (window->minimumSize() != window->maximumSize())
                flags |= Qt::WindowMaximizeButtonHint;
            sub = a->addSubWindow(window, flags);
            // The main window closes the child in front with Ctrl+W and Ctrl+F4 wherever the
            // focus is; the same keys on the child's own menu would make them ambiguous.
            for (QAction* command : sub->systemMenu()->actions())
                if (!command->shortcuts().isEmpty() &&
                    command->shortcuts() == QKeySequence::keyBindings(QKeySequence::Close))
                    command->setShortcuts({});
            sub->setAttribute(Qt::WA_DeleteOnClose);
            sub->setWindowIcon(window->windowIcon());
            QObject::connect(window, &QWidget::windowTitleChanged, sub, &QWidget::setWindowTitle);
            sub->setWindowTitle(window->windowTitle());
            sub->adjustSize();
        }
        sub->show();
        sub->raise();
        a->setActiveSubWindow(sub);
        window->show();
    } else {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void closeChild(QWidget* window) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        sub->close();
    else
        window->close();
}

} // namespace tovelo
