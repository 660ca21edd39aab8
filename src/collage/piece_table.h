#pragma once

#include <array>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include "base/colour.h"
#include "collage/background.h"
#include "collage/compose.h"
#include "collage/grid.h"
#include "collage/rect.h"

namespace collage {

// One slot of the table.
struct Piece {
    Rect pieceRect;
    QString pieceFile;  // empty for a pasted piece
    QImage picture;     // BGR888
    QImage thumbnail;   // 100 x 100 for the left column; null where nobody shows one
    bool transparent = false;
    base::Colour pieceTransColor = 0;
};

// The pictures a piece holds, for code that treats each of them alike (equality, the bytes the
// history keeps alive).
inline std::array<const QImage*, 2> picturesOf(const Piece& p) {
    return {&p.picture, &p.thumbnail};
}

// The layers composition draws for `slots`, bottom first; valid while `slots` is not changed.
std::vector<Layer> layersOf(const std::vector<Piece>& slots);

// The placement options and the screen: settings the user changes outside the edit history.
struct Options {
    bool noOverlap = false;   // "パーツを重ねない"
    bool keepInside = false;  // "パーツを枠外に出さない"
    int screenWidth = 0;      // where a new piece's row wraps under auto size
    bool snap = false;        // "スナップ": mouse drags land on the other pieces' and the canvas's lines
};

// What an edit asks of the window besides the new state: notices to show, in order, and
// options it switched off.
struct Effects {
    QStringList notices;
    bool noOverlapOff = false;
    bool keepInsideOff = false;
};

// The scaled pictures of the last arrangement, so that arranging the same pieces again at the same
// size (a live preview changing the gap or the columns) does not scale them again.
class ScaledPictures {
public:
    // Source, size, key on, key colour, and the part of the source kept (x, y, width, height).
    using Key = std::tuple<qint64, int, int, bool, base::Colour, int, int, int, int>;
    const QImage* find(const Key& key) const;
    // Keeps `used` and forgets every picture the last arrangement did not use.
    void keepOnly(std::map<Key, QImage> used) { pictures_ = std::move(used); }

private:
    std::map<Key, QImage> pictures_;
};

// Positions further out than this are refused, so that every sum of a position and a size stays
// far inside 32 bits.
inline constexpr int kMaxPosition = 1 << 30;

// The whole state a user edits in the main window: the slots in layer order (slot 0 is drawn
// first), the current piece, the canvas size, auto size and the background.
//
// Every edit computes the whole new state, checks it and only then commits: an edit that throws
// base::Error leaves the table exactly as it was. With auto size on, every edit leaves the canvas
// equal to the pieces' bounding box, starting at (0, 0).
class PieceTable {
public:
    // The state at start: no pieces, a canvas of `canvas` (the screen), auto size as given.
    explicit PieceTable(QSize canvas = QSize(1, 1), bool autoSize = true);

    // A table rebuilt from its parts (a document read back), checked like every edit: each
    // rectangle's size must be its picture's, and the count, the budget and the positions hold.
    static PieceTable restore(std::vector<Piece> slots, int pickIndex, QSize canvas, bool autoSize,
                              Background background);

    int pieceCount() const { return static_cast<int>(slots_.size()); }
    int pickIndex() const { return pickIndex_; }
    const Piece& piece(int slot) const { return slots_.at(static_cast<size_t>(slot)); }
    const Rect& pieceRect(int slot) const { return piece(slot).pieceRect; }
    const std::vector<Piece>& slots() const { return slots_; }
    std::vector<Rect> rects() const;
    // The current piece, or null with no pieces.
    const Piece* current() const {
        return slots_.empty() ? nullptr : &slots_[static_cast<size_t>(pickIndex_)];
    }
    QSize canvas() const { return canvas_; }
    bool autoSize() const { return autoSize_; }
    const Background& background() const { return background_; }

    // The layers composition draws, bottom first; valid while the table is not changed.
    std::vector<Layer> layers() const;

    // Adds `piece` (its picture, file and thumbnail) above the others: placed by the adding
    // rules, keyed by its top-left pixel (not yet transparent), made current, and with auto size
    // the canvas refitted. Refused when the table is full or a picture or the canvas would
    // exceed the pixel budget.
    Effects add(Piece piece, const Options& options);

    // Makes the canvas the pieces' bounding box and moves them so that it starts at (0, 0).
    // Nothing changes without pieces.
    void fit();
    // A typed or stepped canvas width or height (below 1 counts as 1). With keep-inside, pieces
    // beyond the new edge are reported and the option switched off.
    Effects setCanvasWidth(int width, const Options& options);
    Effects setCanvasHeight(int height, const Options& options);
    // Switching auto size on fits at once.
    void setAutoSize(bool on);

    // Makes `slot` current (clamped into the table).
    void pick(int slot);

    // A drag step or a cursor-key nudge of the current piece toward `requested`, under the move
    // rule; no refit. Returns where the piece stands.
    QPoint moveCurrent(QPoint requested, const Options& options);
    // A cursor-key nudge: one pixel by (dx, dy) under the move rule, then refit with auto size.
    void nudge(int dx, int dy, const Options& options);
    // A typed left or top under the typed-position rule, then refit with auto size.
    void typeLeft(int left, const Options& options);
    void typeTop(int top, const Options& options);
    // "オフセット": every piece moves by (dx, dy); keep-inside is switched off when one leaves.
    Effects offsetBy(int dx, int dy, const Options& options);

    // Layer moves: the current piece exchanges slots with the one above (up) or below; nothing
    // happens at the end. The piece stays current.
    void raise(bool up);
    // Deletes the current piece; the one that takes its slot (or the new top) becomes current.
    void removeCurrent();
    // "全消去": every piece goes; canvas, auto size and background stay.
    void clear();

    // Transparency of the current piece.
    void setTransparent(bool on);
    void setTransColor(base::Colour colour);

    void setBackground(Background background);

    // The cut editor's result becomes the current piece's picture (and thumbnail); with `key`
    // the piece is made transparent with that colour. The piece keeps its top-left corner.
    Effects replaceCurrent(const QImage& picture, const QImage& thumbnail, std::optional<base::Colour> key,
                           const Options& options);

    // "整列": every piece into its cell of the grid `a` describes, in slot order, first scaled to
    // one height or width when asked (the resize dialog's passes; a keyed piece keeps its key,
    // which the pass honours at 選択率 50); the canvas becomes the grid with its margin, and a
    // margin switches auto size off so that no refit trims it. Justified rows scale every piece
    // to its row (justifiedLayout()). A fixed output size makes the canvas that size with auto
    // size off and scales each piece into its cell, a filled cell first cropping the picture:
    // the crop becomes the piece's picture. Refused with no pieces, with a value out of range,
    // or when a scaled picture or the canvas would exceed the pixel budget.
    // `cache`, when given, holds the scaled pictures between calls.
    Effects arrange(const Arrangement& a, const Options& options, ScaledPictures* cache = nullptr);

    // The composite of the table (composeTable()) for a table that is done with: each piece's
    // picture is let go as soon as its last row is drawn, so that the canvas and all the pictures
    // are never held at once. Leaves the table empty.
    QImage composeReleasing() &&;

    // The same state apart from the current piece (pictures compared by identity).
    bool sameContent(const PieceTable& other) const;

private:
    friend bool operator==(const PieceTable& a, const PieceTable& b);
    // The same state apart from the current piece, pictures compared by `samePictures`.
    template <class SamePicture>
    bool sameState(const PieceTable& other, SamePicture samePictures) const;
    // Refits under auto size, then checks every rule the state must keep; throws on a breach.
    void settle();
    Piece& currentSlot();
    Effects setCanvasSide(bool horizontal, int value, const Options& options);

    std::vector<Piece> slots_;
    int pickIndex_ = 0;
    QSize canvas_;
    bool autoSize_ = true;
    Background background_;
};

// Byte-for-byte equality, pictures compared by their pixels: for tests and checks, not hot paths.
bool operator==(const PieceTable& a, const PieceTable& b);

// The composite of the table: the background over the whole canvas, then every piece in order.
QImage composeTable(const PieceTable& table);

}  // namespace collage
