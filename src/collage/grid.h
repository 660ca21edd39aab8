#pragma once

#include <cstdint>
#include <vector>

#include <QPoint>
#include <QRect>
#include <QSize>

namespace collage {

// Where a piece stands inside its cell.
enum class RowAlign { Top, Middle, Bottom };     // within a row
enum class ColumnAlign { Left, Center, Right };  // within a column
enum class SizeMode { AsTheyAre, OneHeight, OneWidth };
enum class LayoutKind { Grid, Justified };  // "グリッド", "行揃え"
enum class CellFit { Fit, Fill };           // "全体を収める", "セルを埋める"

// A grid layout of the pieces, in slot order, row by row: "整列".
struct Arrangement {
    int columns = 1;  // 1..kMaxColumns; fewer pieces than columns gives one column per piece
    int gap = 0;      // between neighbouring cells, 0..kMaxSpacing
    int margin = 0;   // around the whole, 0..kMaxSpacing
    RowAlign rowAlign = RowAlign::Top;
    ColumnAlign columnAlign = ColumnAlign::Left;
    SizeMode size = SizeMode::AsTheyAre;
    int target = 1;  // the one height or width (1..65535) with OneHeight / OneWidth
    LayoutKind kind = LayoutKind::Grid;
    // Justified rows: the canvas width W and the row height H aimed at (1..65535 each).
    int rowWidth = 1;
    int rowHeight = 1;
    // A grid of a fixed output size (both sides 1..65535; 0 x 0 is "自由", the cells follow the
    // pieces): equal cells, each piece fitted or filling its cell; `size` is then not used.
    QSize output{0, 0};
    CellFit fit = CellFit::Fit;

    bool fixedSize() const { return kind == LayoutKind::Grid && output.width() > 0 && output.height() > 0; }
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

// Where one piece goes: its rectangle on the canvas (the size it is scaled to) and, for a filled
// cell, the part of its picture that is kept (empty: the whole picture).
struct PieceBox {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    QRect crop;
    friend bool operator==(const PieceBox&, const PieceBox&) = default;
};

struct BoxLayout {
    std::vector<PieceBox> boxes;  // per piece, in slot order
    std::int64_t canvasWidth = 0;
    std::int64_t canvasHeight = 0;
};

// Justified rows ("行揃え"): the pieces of `sizes`, in order, fill rows across a canvas a.rowWidth
// wide. Every row but a short last one is scaled to the one height at which its widths, its gaps
// and the margins sum to the width exactly; the widths are the exact widths at that height
// rounded by their running sum, so each is within 1 + (width ÷ height) ÷ 2 pixels of the exact
// width at the row's whole-pixel height. Where the rows break is chosen by dynamic programming
// over every break: the least total squared distance of the row heights beyond the band
// H ± 25 % first, then the least total squared distance from H; of equal totals the row that
// starts earliest wins, from the last row back. The last row, when filling the width would make it taller
// than the band, keeps height H and stands by the column alignment. Throws base::Error when the width leaves
// a row without a pixel per piece.
BoxLayout justifiedLayout(const std::vector<QSize>& sizes, const Arrangement& a);

// The cells of a fixed output size: a.output minus the margins and gaps divided into equal
// columns and rows, the pixels that do not divide evenly going one each to the first columns and
// rows. Offsets and sizes per column and row. Throws base::Error when a cell would be empty.
struct Cells {
    std::vector<std::int64_t> left, width;  // per column
    std::vector<std::int64_t> top, height;  // per row
};
Cells fixedCells(QSize output, int columns, int rows, int gap, int margin);

// A w x h picture in a cw x ch cell. Fit: the largest size of its aspect inside the cell (the
// free side rounded, half up), placed by the alignment. Fill: the whole cell, and the centred
// part of the picture with the cell's aspect (rounded, half up; odd leftovers put the extra
// pixel after the crop).
PieceBox fitIntoCell(QSize picture, std::int64_t cellLeft, std::int64_t cellTop, std::int64_t cellWidth,
                     std::int64_t cellHeight, const Arrangement& a);
PieceBox fillCell(QSize picture, std::int64_t cellLeft, std::int64_t cellTop, std::int64_t cellWidth,
                  std::int64_t cellHeight);

// The pieces of `sizes` in the cells of a.output: a.columns columns (at most one per piece), the
// rows following from the count.
BoxLayout fixedLayout(const std::vector<QSize>& sizes, const Arrangement& a);

}  // namespace collage
