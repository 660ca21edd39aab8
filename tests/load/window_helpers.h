#pragma once

#include <memory>

#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QString>
#include <QTemporaryDir>

#include "load/window/tloadcut.h"

namespace loadtest {

// A picture whose pixels differ, so a test can tell which file or which part it holds.
QImage pattern(int w, int h);

// The cut editor shown and active on the offscreen desktop, with the fake desktop reset and
// the Ctrl key scripted by `ctrl`.
class CutEditor : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `picture` to a file in the test's folder by the extension of `name`.
    QString writeFile(const QString& name, const QImage& picture);

    // Puts a picture in as the main window will, and runs loaded.
    void give(int w, int h) { editor->takePicture(pattern(w, h)); }

    // Clears the edit, types `text` and presses Enter.
    void typeInto(QLineEdit* edit, const QString& text);

    // The six edits as text: "x0 size x1 | y0 size y1".
    QString edits() const;

    std::unique_ptr<load::Tloadcut> editor;
    bool ctrl = false;
    QTemporaryDir dir;
};

}  // namespace loadtest
