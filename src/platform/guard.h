#pragma once

#include <exception>
#include <utility>

#include <QObject>

class QWidget;

namespace platform {

class Desktop;

// The default error handler: shows the text of an exception in the desktop's error box and lets
// the program go on. Every event entry point runs its work through runGuarded so that no
// exception crosses Qt's event loop.
void reportError(Desktop& desktop, QWidget* parent, const std::exception& e);
void reportUnknownError(Desktop& desktop, QWidget* parent);

template <class F>
void runGuarded(Desktop& desktop, QWidget* parent, F&& work) {
    try {
        std::forward<F>(work)();
    } catch (const std::exception& e) {
        reportError(desktop, parent, e);
    } catch (...) {
        reportUnknownError(desktop, parent);
    }
}

// A slot wrapper: connect(button, &QPushButton::clicked, this, guarded(desktop_, this, [this] { ... })).
template <class F>
auto guarded(Desktop& desktop, QWidget* parent, F work) {
    return [&desktop, parent, work = std::move(work)](auto&&...) { runGuarded(desktop, parent, work); };
}

// Runs `window`'s `handler` guarded each time `sender` emits `signal`, whose arguments it leaves
// aside.
template <class Window, class Sender, class Signal>
void onSignal(Desktop& desktop, Window* window, Sender* sender, Signal signal, void (Window::*handler)()) {
    QObject::connect(sender, signal, window,
                     guarded(desktop, window, [window, handler] { (window->*handler)(); }));
}

}  // namespace platform
