#include "platform/zoom_menu.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QWheelEvent>

#include "platform/guard.h"
#include "platform/view_zoom.h"

namespace platform {

ZoomMenu::ZoomMenu(QMainWindow* window, Desktop& desktop, Hooks hooks)
    : QObject(window), window_(window), desktop_(desktop), hooks_(std::move(hooks)) {
    menu = window->menuBar()->addMenu(QStringLiteral("表示"));
    menu->setObjectName(QStringLiteral("viewmenu"));
    auto action = [&](const char* name, const QString& caption, QList<QKeySequence> keys, auto zoom) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, guarded(desktop_, window_, [this, zoom] {
                    hooks_.apply(zoom(hooks_.zoom()), std::nullopt);
                }));
        return a;
    };
    zoomIn = action("zoominmenu", QStringLiteral("拡大"),
                    {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
                    [](double z) { return platform::zoomIn(z); });
    zoomOut = action("zoomoutmenu", QStringLiteral("縮小"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)},
                     [](double z) { return platform::zoomOut(z); });
    actualSize = action("actualsizemenu", QStringLiteral("等倍"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
                        [](double) { return 1.0; });
    fitWindow = action("fitwindowmenu", QStringLiteral("ウィンドウに合わせる"),
                       {QKeySequence(Qt::CTRL | Qt::Key_9)}, [this](double) { return hooks_.fit(); });
    label = new QLabel(zoomText(1.0), window->menuBar());
    label->setObjectName(QStringLiteral("zoomLabel"));
    label->setContentsMargins(0, 0, 8, 0);
    // The menu bar sizes its corner once: room for the widest zoom text from the start, so that
    // "1600 %" or a fitted "1234.56 %" never shows cut.
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("8888.88 %")) + 8 + 4);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    window->menuBar()->setCornerWidget(label, Qt::TopRightCorner);
}

void ZoomMenu::showZoom(double zoom) {
    label->setText(zoomText(zoom));
}

void ZoomMenu::zoomOnWheel(QScrollArea* view, QWidget* content) {
    view_ = view;
    content_ = content;
    view->viewport()->installEventFilter(this);
    content->installEventFilter(this);
}

bool ZoomMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel || view_ == nullptr) return false;
    if (watched != content_ && watched != view_->viewport()) return false;
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (!wheel->modifiers().testFlag(Qt::ControlModifier) || wheel->angleDelta().y() == 0) return false;
    const QPoint at = static_cast<QWidget*>(watched)->mapTo(view_->viewport(), wheel->position().toPoint());
    const bool in = wheel->angleDelta().y() > 0;
    runGuarded(desktop_, window_, [&] {
        const double now = hooks_.zoom();
        hooks_.apply(in ? platform::zoomIn(now) : platform::zoomOut(now), at);
    });
    // Taken here: the view would scroll with it as well.
    wheel->accept();
    return true;
}

}  // namespace platform
