#include "platform/window_keys.h"

#include <QAction>
#include <QApplication>
#include <QChildEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

namespace platform {

WindowKeys::WindowKeys(QWidget* window, Preview preview)
    : QObject(window), window_(window), preview_(std::move(preview)) {
    watch(window_);
}

void WindowKeys::watch(QObject* object) {
    object->installEventFilter(this);
    for (QObject* child : object->children())
        if (child->isWidgetType()) watch(child);
}

bool WindowKeys::ours(QObject* watched) const {
    return watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == window_;
}

bool WindowKeys::isMenuShortcut(const QKeyEvent* event) const {
    const QKeySequence pressed(event->keyCombination());
    for (const QAction* a : window_->findChildren<QAction*>())
        if (a->shortcuts().contains(pressed)) return true;
    return false;
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ChildAdded: {
            // A widget made or moved into the window later is watched as well.
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child->isWidgetType()) watch(child);
            break;
        }
        case QEvent::ShortcutOverride:
            // Left unaccepted, the key goes to the shortcut and not to the control.
            if (ours(watched) && isMenuShortcut(static_cast<QKeyEvent*>(event))) {
                event->ignore();
                return true;
            }
            break;
        case QEvent::KeyPress: {
            if (!preview_ || !ours(watched)) break;
            // Once a key: an unused key travels on to the control's parents, which are watched too.
            const QWidget* focus = QApplication::focusWidget();
            if (watched == focus || (focus == nullptr && watched == window_))
                preview_(static_cast<QKeyEvent*>(event));
            break;
        }
        default:
            break;
    }
    return false;
}

}  // namespace platform
