#include "platform/tab_order.h"

#include <algorithm>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>

namespace platform {

namespace {

// Tops closer than this are one row: controls of a row are laid out a pixel or two apart.
constexpr int kRowSlack = 8;

// A control that Tab should stop at: not a scroll bar, nor a part of a composite control (a
// text box's viewport), only a picture scroll area's own content.
bool tabStop(const QWidget* w, const QWidget* window) {
    if (w->window() != window || !(w->focusPolicy() & Qt::TabFocus) || qobject_cast<const QScrollBar*>(w))
        return false;
    for (const QWidget* p = w->parentWidget(); p != nullptr && p != window; p = p->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(p);
        if (area == nullptr) continue;
        const auto* scroll = qobject_cast<const QScrollArea*>(area);
        if (scroll == nullptr || scroll->widget() == nullptr || !scroll->widget()->isAncestorOf(w))
            return false;
    }
    return true;
}

}  // namespace

void tabInReadingOrder(QWidget* window, const QList<QWidget*>& last) {
    struct Stop {
        QWidget* widget;
        QPoint at;
    };
    std::vector<Stop> stops;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (tabStop(w, window) && !last.contains(w)) stops.push_back({w, w->mapTo(window, QPoint(0, 0))});
    std::stable_sort(stops.begin(), stops.end(),
                     [](const Stop& a, const Stop& b) { return a.at.y() < b.at.y(); });
    // Rows: each begins at the topmost control not yet placed; within it, left to right.
    for (std::size_t begin = 0; begin < stops.size();) {
        std::size_t end = begin + 1;
        while (end < stops.size() && stops[end].at.y() - stops[begin].at.y() < kRowSlack) ++end;
        std::stable_sort(stops.begin() + static_cast<std::ptrdiff_t>(begin),
                         stops.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const Stop& a, const Stop& b) { return a.at.x() < b.at.x(); });
        begin = end;
    }
    QList<QWidget*> order;
    for (const Stop& s : stops) order << s.widget;
    order << last;
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void exitKeepingTab(QWidget* window, int reason, const std::function<void()>& exit) {
    const bool tab = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
    // While the focus-out is delivered, the application's focus is already the next control.
    const QPointer<QWidget> next = tab ? QApplication::focusWidget() : nullptr;
    exit();
    if (next == nullptr || next == window || next->window() != window) return;
    const QWidget* now = QApplication::focusWidget();
    if ((now == nullptr || now == window) && next->isEnabled() && next->isVisible())
        next->setFocus(static_cast<Qt::FocusReason>(reason));
}

QList<QWidget*> tabChain(QWidget* window, QWidget* first) {
    QList<QWidget*> chain;
    QWidget* w = first;
    do {
        if (w != window && tabStop(w, window) && w->isEnabled() && w->isVisibleTo(window)) chain << w;
        w = w->nextInFocusChain();
    } while (w != nullptr && w != first && chain.size() < 1000);
    return chain;
}

}  // namespace platform
