#pragma once

#include <functional>

#include <QObject>

class QKeyEvent;
class QWidget;

namespace platform {

// The keys of one window, taken before its controls see them. It watches the window and every
// widget in it, those added later too; a dialog or menu with a window of its own is left alone.
//  - The window's menu shortcuts win over the control that has the focus: Space toggles an option
//    and Ctrl+C copies a piece rather than an edit taking them for its text.
//  - While an edit holds typed text not yet applied, Ctrl+Z and Ctrl+Y (Ctrl+Shift+Z) are that
//    edit's own undo and redo; the window's undo is left alone.
//  - F10 opens the first menu of the window's menu bar.
//  - `preview`, where given, sees each key press the window receives before the control that has
//    the focus does (or the window itself, when no control has it).
class WindowKeys final : public QObject {
public:
    using Preview = std::function<void(QKeyEvent* event)>;

    explicit WindowKeys(QWidget* window, Preview preview = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QObject* object);
    bool ours(QObject* watched) const;
    bool isMenuShortcut(const QKeyEvent* event) const;
    bool openFirstMenu();

    QWidget* window_;
    Preview preview_;
};

}  // namespace platform
