#pragma once

#include <exception>
#include <utility>

class QWidget;

namespace platform {

// The default error handler: shows the text of an exception in an error box and lets the
// program go on. Every event entry point runs its work through runGuarded so that no exception
// crosses Qt's event loop.
void reportError(QWidget* parent, const std::exception& e);
void reportUnknownError(QWidget* parent);

template <class F>
void runGuarded(QWidget* parent, F&& work) {
    try {
        std::forward<F>(work)();
    } catch (const std::exception& e) {
        reportError(parent, e);
    } catch (...) {
        reportUnknownError(parent);
    }
}

// A slot wrapper: connect(button, &QPushButton::clicked, this, guarded(this, [this] { ... })).
template <class F>
auto guarded(QWidget* parent, F work) {
    return [parent, work = std::move(work)](auto&&...) { runGuarded(parent, work); };
}

}  // namespace platform
