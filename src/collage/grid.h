#pragma once

#include <cstdint>
#include <vector>

#include <QPoint>
#include <QSize>

namespace collage {

// Where a piece stands inside its cell.
enum class RowAlign { Top, Middle, Bottom };     // within a row
enum class ColumnAlign { Left, Center, Right };  // within a column
enum class SizeMode { AsTheyAre, OneHeight, OneWidth };

// A grid layout of the pieces, in slot order, row by row: "整列".
struct Arrangement {
    int columns = 1;  // 1..kMaxColumns; fewer pieces than columns gives one column per piece
    int gap = 0;      // between neighbouring cells, 0..kMaxSpacing
    int margin = 0;   // around the whole, 0..kMaxSpacing
    RowAlign rowAlign = RowAlign::Top;
    ColumnAlign columnAlign = ColumnAlign::Left;
    SizeMode size = SizeMode::AsTheyAre;
    int target = 1;  // the one height or width (1..65535) with OneHeight / OneWidth
};

inline constexpr int kMaxColumns = 255;
inline constexpr int kMaxSpacing = 1000;
inline constexpr int kMaxTarget = 65535;

// Throws base::Error naming the first value out of its range.
void checkArrangement(const Arrangement& a);

// The default column count for `count` pieces: the whole-number ceiling of its square root.
int defaultColumns(int count);

// A w x h piece scaled to one height H: Round(w × H ÷ h) × H, at least 1 wide (one width
// likewise); AsTheyAre returns the size. 64-bit, so the caller can refuse what is too large.
struct WideSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
    friend bool operator==(const WideSize&, const WideSize&) = default;
};
WideSize scaledSize(QSize size, SizeMode mode, int target);

// The cells and the pieces' top-left corners for pieces of `sizes` (slot order), and the canvas.
// Computed in 64 bits: nothing is refused here.
struct GridLayout {
    int columns = 0;
    int rows = 0;
    std::vector<std::int64_t> columnWidths;
    std::vector<std::int64_t> rowHeights;
    std::vector<std::int64_t> left;  // per piece
    std::vector<std::int64_t> top;
    std::int64_t canvasWidth = 0;
    std::int64_t canvasHeight = 0;
};
GridLayout gridLayout(const std::vector<QSize>& sizes, const Arrangement& a);

}  // namespace collage
