#pragma once

#include <memory>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "base/image.h"
#include "collage/window/tkadrel.h"
#include "test_support.h"

// A fresh main window on a 1024 x 768 fake screen, shown offscreen.
class KadrelWindow : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::resetFake();
        testsupport::fake().screen = QSize(1024, 768);
        k = std::make_unique<collage::Tkadrel>(testsupport::fake());
        k->show();
        QApplication::processEvents();
    }
    void TearDown() override { k.reset(); }

    // A BMP file of one colour in the test's folder.
    QString picture(const QString& name, int w, int h, base::Colour c = base::rgb(10, 20, 30)) {
        const QString path = dir.filePath(name);
        base::makeBgr(w, h, c).save(path, "BMP");
        return path;
    }

    // Adds files through the open dialog, as "追加" does.
    void addThroughDialog(const QStringList& paths) {
        testsupport::fake().openAnswers.push_back(paths);
        QTest::mouseClick(k->addpic, Qt::LeftButton);
        k->waitForLoading();
    }

    collage::Rect rect(int slot) const { return k->table().pieceRect(slot); }

    QTemporaryDir dir;
    std::unique_ptr<collage::Tkadrel> k;
};
