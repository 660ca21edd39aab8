#include "platform/window_keys.h"

#include <QAction>
#include <QApplication>
#include <QChildEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenuBar>
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

namespace {

enum class EditStep { None, Undo, Redo };

EditStep editStep(const QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier && event->key() == Qt::Key_Z) return EditStep::Undo;
    if (mods == Qt::ControlModifier && event->key() == Qt::Key_Y) return EditStep::Redo;
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && event->key() == Qt::Key_Z) return EditStep::Redo;
    return EditStep::None;
}

// An edit holding typed text not yet applied (its own history is not empty until the window
// applies the text and shows it anew): its undo, not the window's, is the one meant.
QLineEdit* pendingEdit(QObject* watched) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == nullptr || !edit->hasFocus() || edit->isReadOnly()) return nullptr;
    return edit->isModified() || edit->isUndoAvailable() || edit->isRedoAvailable() ? edit : nullptr;
}

}  // namespace

bool WindowKeys::openFirstMenu() {
    auto* bar = window_->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (bar == nullptr) return false;
    for (QAction* a : bar->actions()) {
        if (!a->isVisible() || !a->isEnabled() || a->menu() == nullptr) continue;
        bar->setActiveAction(a);
        return true;
    }
    return false;
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
            if (pendingEdit(watched) && editStep(static_cast<QKeyEvent*>(event)) != EditStep::None) {
                // Accepted, the key comes to the edit as a key press (taken below).
                event->accept();
                return true;
            }
            // Left unaccepted, the key goes to the shortcut and not to the control.
            if (ours(watched) && isMenuShortcut(static_cast<QKeyEvent*>(event))) {
                event->ignore();
                return true;
            }
            break;
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (QLineEdit* edit = pendingEdit(watched)) {
                const EditStep step = editStep(key);
                if (step == EditStep::Undo) edit->undo();
                if (step == EditStep::Redo) edit->redo();
                if (step != EditStep::None) return true;
            }
            // F10 opens the window's first menu, as on every desktop.
            if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier && ours(watched) &&
                openFirstMenu())
                return true;
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
