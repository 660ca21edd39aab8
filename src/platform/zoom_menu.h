#pragma once

#include <functional>
#include <optional>

#include <QObject>
#include <QPoint>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QScrollArea;
class QWidget;

namespace platform {

class Desktop;

// The "表示" menu of a window that shows a picture at a view zoom: 拡大 (Ctrl++ or Ctrl+=), 縮小
// (Ctrl+-), 等倍 (Ctrl+0) and ウィンドウに合わせる (Ctrl+9), the zoom shown at the right of the
// menu bar, and Ctrl + wheel over the view, which zooms about the pointer. The window keeps the
// zoom and shows the picture at it; failures show on `desktop`.
class ZoomMenu final : public QObject {
public:
    struct Hooks {
        std::function<double()> zoom;  // the zoom now
        // Sets the zoom, keeping the picture pixel under viewport point `about` (the centre when
        // omitted) where it is.
        std::function<void(double zoom, std::optional<QPoint> about)> apply;
        std::function<double()> fit;  // the zoom that shows the whole picture in the view
    };

    // Adds the menu to `window`'s menu bar, after the menus it has.
    ZoomMenu(QMainWindow* window, Desktop& desktop, Hooks hooks);

    // Ctrl + wheel over `view`'s viewport or over `content`, which the picture's controls leave
    // their wheels to.
    void zoomOnWheel(QScrollArea* view, QWidget* content);
    // Shows the window's zoom beside the menus.
    void showZoom(double zoom);

    QMenu* menu;
    QAction* zoomIn;
    QAction* zoomOut;
    QAction* actualSize;
    QAction* fitWindow;
    QLabel* label;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    Desktop& desktop_;
    Hooks hooks_;
    QScrollArea* view_ = nullptr;
    QWidget* content_ = nullptr;
};

}  // namespace platform
