#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QList>
#include <QtTest/QTest>

#include "platform/window_keys.h"

namespace {

// A window with an edit made before the keys are taken and one made after, a dialog of its own
// with an edit, and a Space shortcut.
struct Window {
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    QList<int> previewed;
    platform::WindowKeys* keys =
        new platform::WindowKeys(&window, [this](QKeyEvent* e) { previewed << e->key(); });
    QLineEdit* after = new QLineEdit(&window);
    QWidget* dialog = new QWidget(&window, Qt::Dialog);
    QLineEdit* inDialog = new QLineEdit(dialog);
    QAction* toggle = new QAction(&window);
    int toggled = 0;

    Window() {
        after->move(0, 30);
        toggle->setShortcut(QKeySequence(Qt::Key_Space));
        window.addAction(toggle);
        QObject::connect(toggle, &QAction::triggered, [this] { ++toggled; });
        window.show();
        window.activateWindow();
    }
};

TEST(WindowKeys, EveryKeyOfTheWindowOnceBeforeItsControlAndNoneOfOtherWindows) {
    Window w;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    w.before->setFocus();
    QTest::keyClick(w.before, Qt::Key_A);
    // F2 is no edit's: it travels on to the window, and is still seen once.
    QTest::keyClick(w.before, Qt::Key_F2);
    w.after->setFocus();
    QTest::keyClick(w.after, Qt::Key_B);
    EXPECT_EQ(w.previewed, (QList<int>{Qt::Key_A, Qt::Key_F2, Qt::Key_B}));
    EXPECT_EQ(w.before->text(), QStringLiteral("a"));  // the control still has it

    w.dialog->show();
    w.dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.dialog));
    w.inDialog->setFocus();
    QTest::keyClick(w.inDialog, Qt::Key_C);
    QTest::keyClick(w.inDialog, Qt::Key_Space);
    EXPECT_EQ(w.previewed.size(), 3);
    EXPECT_EQ(w.toggled, 0);
    EXPECT_EQ(w.inDialog->text(), QStringLiteral("c "));
}

TEST(WindowKeys, TheWindowsShortcutWinsOverTheFocusedEdit) {
    Window w;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    w.after->setFocus();
    QTest::keyClick(w.after, Qt::Key_Space);
    EXPECT_EQ(w.toggled, 1);
    EXPECT_EQ(w.after->text(), QString());
}

}  // namespace
