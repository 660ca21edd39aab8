#pragma once

#include <functional>

#include <QList>

class QWidget;

namespace platform {

// Chains Tab through every control of `window` that takes the focus from the keyboard, in
// reading order: by rows from the top (controls whose tops are within a few pixels share a
// row), left to right within a row. `last` comes after them, in its order (a picture view
// beside a column of controls, which is read after the column).
void tabInReadingOrder(QWidget* window, const QList<QWidget*>& last = {});

// Runs `exit`, the handler of an edit of `window` that lost the focus for `reason`. When Tab
// or Shift+Tab moved it, the control they chose keeps it, even where the handler hands the
// focus to the window or clears it (as applying an edit does).
void exitKeepingTab(QWidget* window, int reason, const std::function<void()>& exit);

// The controls of `window` in the order Tab visits them from `first`, once round.
QList<QWidget*> tabChain(QWidget* window, QWidget* first);

}  // namespace platform
