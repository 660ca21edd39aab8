#include <random>

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/image.h"
#include "collage/document.h"
#include "table_checks.h"

namespace {

using collage::Document;
using collage::LoadedFile;
using collage::PieceTable;

LoadedFile file(const QString& path, int w, int h, std::uint8_t red = 10) {
    return LoadedFile{path, base::makeBgr(w, h, base::rgb(red, 20, 30)), {}, {}};
}

// The history's states, oldest first, by undoing to the start and redoing to the end again.
std::vector<PieceTable> recordedStates(Document& d) {
    std::vector<PieceTable> states;
    while (d.undo()) {
    }
    states.push_back(d.table());
    while (d.redo()) states.push_back(d.table());
    return states;
}

TEST(Document, AnAddOfSeveralFilesIsOneStepAndNamesEveryFileItCouldNotAdd) {
    Document d(PieceTable(QSize(1000, 800)));
    d.setScreenWidth(1000);
    std::vector<LoadedFile> files{file("a.bmp", 10, 10), LoadedFile{"bad.png", {}, {}, "壊れています"},
                                  file("huge.bmp", 65000, 1), file("c.bmp", 30, 20),
                                  file("wide.bmp", 65535, 2040)};  // the canvas would pass the budget
    const collage::AddReport r = d.addFiles(files);
    EXPECT_EQ(r.added, 3);
    ASSERT_EQ(r.failures.size(), 2);
    EXPECT_TRUE(r.failures[0].startsWith(QStringLiteral("bad.png: ")));
    EXPECT_TRUE(r.failures[1].startsWith(QStringLiteral("wide.bmp: ")));
    ASSERT_EQ(d.table().pieceCount(), 3);
    EXPECT_EQ(d.table().piece(2).pieceFile, QStringLiteral("c.bmp"));
    EXPECT_EQ(d.history().undoSteps(), 1u);
    EXPECT_TRUE(d.modified());
    d.undo();
    EXPECT_EQ(d.table().pieceCount(), 0);
    EXPECT_FALSE(d.modified());
}

TEST(Document, TheSavedPointIsWhereTheMarkClears) {
    Document d;
    d.addFiles({file("a.bmp", 10, 10)});
    d.markSaved(QStringLiteral("/tmp/a.ora"));
    EXPECT_FALSE(d.modified());
    d.edit([](PieceTable& t, const collage::Options&) { t.setTransparent(true); });
    EXPECT_TRUE(d.modified());
    d.undo();
    EXPECT_FALSE(d.modified());
    d.redo();
    EXPECT_TRUE(d.modified());
    // A new file starts a history of its own with itself as the saved point.
    d.replace(PieceTable(QSize(5, 5), false), QStringLiteral("/tmp/b.ora"));
    EXPECT_FALSE(d.modified());
    EXPECT_FALSE(d.history().canUndo());
    EXPECT_EQ(d.fileName(), QStringLiteral("/tmp/b.ora"));
}

// A seeded run of user actions on the document, drags and previews left open across other edits:
// every state the history records keeps the table's rules, a refused edit leaves the document as it
// was, and undoing every step gives the first state, redoing every step the last.
TEST(Document, RandomActionsWithOpenDragsAndPreviewsUndoInOrder) {
    std::mt19937 rng(20261209);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    Document d(PieceTable(QSize(1920, 1080)), collage::History(100000, INT64_MAX));
    d.setScreenWidth(1920);
    const PieceTable first = d.table();
    int refused = 0, drags = 0, previews = 0;
    for (int step = 0; step < 1000; ++step) {
        d.setNoOverlap(pick(0, 5) == 0);
        d.setKeepInside(pick(0, 5) == 0);
        const PieceTable before = d.table();
        const std::size_t undoBefore = d.history().undoSteps();
        const bool transaction = d.dragging() || d.arranging();
        const int n = d.table().pieceCount();
        try {
            switch (pick(0, 13)) {
                case 0:
                    d.addFiles(
                        {file("p.bmp", pick(1, 300), pick(1, 200), static_cast<std::uint8_t>(pick(0, 255))),
                         file("q.bmp", pick(0, 30) == 0 ? 60000 : pick(1, 90), pick(1, 90))});
                    break;
                case 1:
                    if (n > 0) d.beginDrag(pick(0, n - 1));
                    ++drags;
                    break;
                case 2:
                case 3:
                    d.dragTo(QPoint(pick(-500, 2500), pick(-500, 1500)));
                    break;
                case 4:
                    d.endDrag();
                    break;
                case 5:
                    d.cancelDrag();
                    break;
                case 6:
                    d.edit([&](PieceTable& t,
                               const collage::Options& o) { t.nudge(pick(-1, 1), pick(-1, 1), o); },
                           collage::StepKind::Nudge);
                    break;
                case 7:
                    d.edit([&](PieceTable& t, const collage::Options&) { t.raise(pick(0, 1) == 1); });
                    break;
                case 8:
                    d.edit([](PieceTable& t, const collage::Options&) { t.removeCurrent(); });
                    break;
                case 9: {
                    collage::Arrangement a;
                    a.columns = pick(1, 4);
                    a.gap = pick(0, 20);
                    a.margin = pick(0, 3) == 0 ? pick(1, 10) : 0;
                    a.size = static_cast<collage::SizeMode>(pick(0, 2));
                    a.target = pick(0, 20) == 0 ? 65535 : pick(1, 120);
                    d.previewArrangement(a);
                    ++previews;
                    break;
                }
                case 10:
                    if (pick(0, 1))
                        d.keepArrangement();
                    else
                        d.cancelArrangement();
                    break;
                case 11:
                    d.undo();
                    break;
                case 12:
                    d.redo();
                    break;
                case 13:
                    d.edit([&](PieceTable& t, const collage::Options&) { t.setAutoSize(pick(0, 1) == 1); });
                    break;
            }
        } catch (const base::Error&) {
            ++refused;
            // Only an edit that ended an open drag or preview first may have changed anything.
            if (!transaction) {
                ASSERT_TRUE(d.table() == before) << "step " << step;
                ASSERT_EQ(d.history().undoSteps(), undoBefore) << "step " << step;
            }
        }
        if (!d.dragging()) testsupport::expectInvariants(d.table());
        if (::testing::Test::HasFailure()) FAIL() << "step " << step;
    }
    EXPECT_GT(refused, 5);
    EXPECT_GT(drags, 40);
    EXPECT_GT(previews, 40);
    d.endDrag();
    d.keepArrangement();
    const PieceTable last = d.table();
    const std::vector<PieceTable> states = recordedStates(d);
    for (std::size_t i = 0; i < states.size(); ++i) {
        testsupport::expectInvariants(states[i]);
        if (::testing::Test::HasFailure()) FAIL() << "state " << i;
    }
    EXPECT_TRUE(states.front().sameContent(first));
    EXPECT_TRUE(d.table() == last);
}

}  // namespace
