#include "TextSize.h"

#include "AppCore.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QSettings>
#include <QWheelEvent>
#include <algorithm>
#include <iterator>

namespace tovelo {
namespace {

constexpr qreal kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 28, 32, 36, 40};
const QString kKey = QStringLiteral("texto/tamanho");
const char* const kOwnSize = "toveloOwnTextSize";

// Watches the whole program for the size keys, and the wheel over the text areas.
class Sizer : public QObject {
public:
    QList<QPointer<QWidget>> areas;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const Qt::KeyboardModifiers mods = key->modifiers();
            if (!(mods & Qt::ControlModifier) || (mods & (Qt::AltModifier | Qt::MetaModifier)))
                return false;
            switch (key->key()) {
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                changeTextSize(1);
                return true;
            case Qt::Key_Minus:
                changeTextSize(-1);
                return true;
            case Qt::Key_0:
                changeTextSize(0);
                return true;
            default:
                return false;
            }
        }
        if (event->type() == QEvent::Wheel) {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            if (!(wheel->modifiers() & Qt::ControlModifier) || !isArea(watched)) return false;
            // A touchpad sends the turn of one notch in small parts.
            turned_ += wheel->angleDelta().y();
            while (std::abs(turned_) >= 120) {
                changeTextSize(turned_ > 0 ? 1 : -1);
                turned_ -= turned_ > 0 ? 120 : -120;
            }
            return true;
        }
        return false;
    }

private:
    bool isArea(QObject* watched) const {
        for (const QPointer<QWidget>& area : areas) {
            if (area == watched) return true;
            const auto* scroll = qobject_cast<QAbstractScrollArea*>(area.data());
            if (scroll && scroll->viewport() == watched) return true;
        }
        return false;
    }
    int turned_ = 0;
};

Sizer& sizer() {
    static QPointer<Sizer> s;
    if (!s) {
        s = new Sizer;
        s->setParent(qApp);
        qApp->installEventFilter(s);
    }
    return *s;
}

void apply(QWidget* area, qreal size) {
    QFont font = area->font();
    font.setPointSizeF(size > 0 ? size : area->property(kOwnSize).toReal());
    area->setFont(font);
}

} // namespace

qreal chosenTextSize() {
    const qreal size = userSettings()->value(kKey).toReal();
    return size >= kSizes[0] && size <= std::end(kSizes)[-1] ? size : 0;
}

void followTextSize(QWidget* area) {
    Sizer& s = sizer();
    area->setProperty(kOwnSize, area->font().pointSizeF());
    s.areas.removeAll(QPointer<QWidget>());
    s.areas << area;
    if (const qreal size = chosenTextSize()) apply(area, size);
}

void changeTextSize(int steps) {
    Sizer& s = sizer();
    s.areas.removeAll(QPointer<QWidget>());
    qreal size = 0;
    if (steps != 0) {
        qreal now = chosenTextSize();
        if (now == 0)
            now = s.areas.isEmpty() ? QApplication::font().pointSizeF()
                                    : s.areas.first()->property(kOwnSize).toReal();
        if (steps > 0) {
            const auto next = std::upper_bound(std::begin(kSizes), std::end(kSizes), now);
            size = next == std::end(kSizes) ? std::end(kSizes)[-1] : *next;
        } else {
            const auto next = std::lower_bound(std::begin(kSizes), std::end(kSizes), now);
            size = next == std::begin(kSizes) ? kSizes[0] : next[-1];
        }
    }
    const auto settings = userSettings();
    if (size > 0)
        settings->setValue(kKey, size);
    else
        settings->remove(kKey);
    for (const QPointer<QWidget>& area : s.areas)
        apply(area, size);
}

} // namespace tovelo
