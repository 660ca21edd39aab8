#pragma once

#include <algorithm>
#include <cstdint>

#include <gtest/gtest.h>

#include "base/image.h"
#include "collage/adding.h"
#include "collage/piece_table.h"

namespace testsupport {

// What every state of the table must keep, whatever edits led to it.
inline void expectInvariants(const collage::PieceTable& t) {
    ASSERT_LE(t.pieceCount(), collage::kMaxPieces);
    if (t.pieceCount() == 0) {
        EXPECT_EQ(t.pickIndex(), 0);
    } else {
        EXPECT_GE(t.pickIndex(), 0);
        EXPECT_LT(t.pickIndex(), t.pieceCount());
    }
    EXPECT_TRUE(base::sizeAllowed(t.canvas().width(), t.canvas().height()));
    std::int64_t minX = INT64_MAX, minY = INT64_MAX, maxX = INT64_MIN, maxY = INT64_MIN;
    for (const collage::Piece& p : t.slots()) {
        EXPECT_TRUE(base::sizeAllowed(p.picture.width(), p.picture.height()));
        EXPECT_EQ(p.pieceRect.width, p.picture.width());
        EXPECT_EQ(p.pieceRect.height, p.picture.height());
        minX = std::min<std::int64_t>(minX, p.pieceRect.left);
        minY = std::min<std::int64_t>(minY, p.pieceRect.top);
        maxX = std::max(maxX, p.pieceRect.right());
        maxY = std::max(maxY, p.pieceRect.bottom());
    }
    if (t.autoSize() && t.pieceCount() > 0) {
        EXPECT_EQ(minX, 0);
        EXPECT_EQ(minY, 0);
        EXPECT_EQ(maxX, t.canvas().width());
        EXPECT_EQ(maxY, t.canvas().height());
    }
}

}  // namespace testsupport
