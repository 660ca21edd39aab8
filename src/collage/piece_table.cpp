#include "collage/piece_table.h"

#include <algorithm>

#include "base/error.h"
#include "base/image.h"
#include "collage/adding.h"
#include "collage/fit.h"
#include "collage/rules.h"
#include "collage/texts.h"
#include "collage/thumbnail.h"
#include "zoom/pass.h"
#include "zoom/scale.h"

namespace collage {

namespace {

Rules rulesOf(const Options& o, QSize canvas) {
    Rules r;
    r.noOverlap = o.noOverlap;
    r.keepInside = o.keepInside;
    r.canvasWidth = canvas.width();
    r.canvasHeight = canvas.height();
    return r;
}

bool samePicture(const QImage& a, const QImage& b) {
    return a.cacheKey() == b.cacheKey() || (a.isNull() && b.isNull());
}

// `area` of a BGR888 picture without copying it; valid while `picture` is.
QImage cropView(const QImage& picture, const QRect& area) {
    if (picture.format() != QImage::Format_BGR888) return picture.copy(area);
    return QImage(picture.constScanLine(area.y()) + static_cast<qsizetype>(area.x()) * 3, area.width(),
                  area.height(), picture.bytesPerLine(), QImage::Format_BGR888);
}

void checkPosition(std::int64_t v) {
    if (v < -kMaxPosition || v > kMaxPosition) throw base::Error(texts::positionOutOfRange(v));
}

}  // namespace

PieceTable::PieceTable(QSize canvas, bool autoSize)
    : canvas_(std::max(canvas.width(), 1), std::max(canvas.height(), 1)), autoSize_(autoSize) {
    if (!base::sizeAllowed(canvas_.width(), canvas_.height()))
        throw base::Error(texts::canvasTooLarge(canvas_.width(), canvas_.height()));
}

PieceTable PieceTable::restore(std::vector<Piece> slots, int pickIndex, QSize canvas, bool autoSize,
                               Background background) {
    PieceTable t(canvas, autoSize);
    for (const Piece& p : slots) {
        base::checkSize(p.picture.width(), p.picture.height());
        if (p.pieceRect.width != p.picture.width() || p.pieceRect.height != p.picture.height())
            throw base::Error(texts::pieceSizeMismatch(p.pieceRect.width, p.pieceRect.height,
                                                       p.picture.width(), p.picture.height()));
    }
    if (slots.size() > static_cast<size_t>(kMaxPieces)) throw base::Error(texts::tooManyPieces());
    t.slots_ = std::move(slots);
    t.pickIndex_ = pickIndex;
    t.background_ = std::move(background);
    t.settle();
    return t;
}

std::vector<Rect> PieceTable::rects() const {
    std::vector<Rect> out;
    out.reserve(slots_.size());
    for (const Piece& p : slots_) out.push_back(p.pieceRect);
    return out;
}

std::vector<Layer> layersOf(const std::vector<Piece>& slots) {
    std::vector<Layer> out;
    out.reserve(slots.size());
    for (const Piece& p : slots)
        out.push_back(
            {&p.picture, QPoint(p.pieceRect.left, p.pieceRect.top), p.transparent, p.pieceTransColor});
    return out;
}

std::vector<Layer> PieceTable::layers() const {
    return layersOf(slots_);
}

Piece& PieceTable::currentSlot() {
    return slots_.at(static_cast<size_t>(pickIndex_));
}

void PieceTable::settle() {
    if (autoSize_ && !slots_.empty()) {
        std::vector<Rect> r = rects();
        const auto box = fitPieces(r);  // throws over the budget
        for (size_t i = 0; i < slots_.size(); ++i) slots_[i].pieceRect = r[i];
        canvas_ = *box;
    }
    if (slots_.size() > static_cast<size_t>(kMaxPieces)) throw base::Error(texts::tooManyPieces());
    if (!base::sizeAllowed(canvas_.width(), canvas_.height()))
        throw base::Error(texts::canvasTooLarge(canvas_.width(), canvas_.height()));
    for (const Piece& p : slots_) {
        base::checkSize(p.picture.width(), p.picture.height());
        checkPosition(p.pieceRect.left);
        checkPosition(p.pieceRect.top);
    }
    pickIndex_ = slots_.empty() ? 0 : std::clamp(pickIndex_, 0, pieceCount() - 1);
}

Effects PieceTable::add(Piece piece, const Options& options) {
    base::checkSize(piece.picture.width(), piece.picture.height());
    AddRules rules;
    rules.autoSize = autoSize_;
    rules.keepInside = options.keepInside;
    rules.canvasWidth = canvas_.width();
    rules.canvasHeight = canvas_.height();
    rules.screenWidth = options.screenWidth;
    const std::vector<Rect> below = rects();
    const NewPiece placed = newPiece(below, piece.picture, rules);  // refuses a full table

    PieceTable next = *this;
    piece.pieceRect = placed.rect;
    piece.pieceTransColor = placed.key;
    piece.transparent = false;
    next.slots_.push_back(std::move(piece));
    next.pickIndex_ = next.pieceCount() - 1;
    next.settle();
    *this = std::move(next);

    Effects e;
    if (placed.keepInsideOff) {
        e.notices << texts::keepInsideOffOnAdd();
        e.keepInsideOff = true;
    }
    return e;
}

void PieceTable::fit() {
    if (slots_.empty()) return;
    PieceTable next = *this;
    std::vector<Rect> r = next.rects();
    const auto box = fitPieces(r);
    for (size_t i = 0; i < r.size(); ++i) next.slots_[i].pieceRect = r[i];
    next.canvas_ = *box;
    next.settle();
    *this = std::move(next);
}

Effects PieceTable::setCanvasWidth(int width, const Options& options) {
    return setCanvasSide(true, width, options);
}

Effects PieceTable::setCanvasHeight(int height, const Options& options) {
    return setCanvasSide(false, height, options);
}

Effects PieceTable::setCanvasSide(bool horizontal, int value, const Options& options) {
    PieceTable next = *this;
    if (horizontal)
        next.canvas_.setWidth(std::max(value, 1));
    else
        next.canvas_.setHeight(std::max(value, 1));
    next.settle();
    Effects e;
    if (options.keepInside) {
        // Only the edge that moved is tested; pieces sticking out left or above are not reported.
        const std::vector<int> outside = horizontal ? beyondRight(next.rects(), next.canvas_.width())
                                                    : beyondBottom(next.rects(), next.canvas_.height());
        if (!outside.empty()) {
            e.notices << texts::piecesOutside(outside);
            e.keepInsideOff = true;
        }
    }
    *this = std::move(next);
    return e;
}

void PieceTable::setAutoSize(bool on) {
    PieceTable next = *this;
    next.autoSize_ = on;
    next.settle();
    *this = std::move(next);
}

void PieceTable::pick(int slot) {
    if (slots_.empty()) return;
    pickIndex_ = std::clamp(slot, 0, pieceCount() - 1);
}

QPoint PieceTable::moveCurrent(QPoint requested, const Options& options) {
    if (slots_.empty()) return {};
    const Rect& pick = currentSlot().pieceRect;
    const QPoint p = moveRule(rects(), pickIndex_, pick, requested, rulesOf(options, canvas_));
    PieceTable next = *this;
    next.currentSlot().pieceRect.left = p.x();
    next.currentSlot().pieceRect.top = p.y();
    // A drag is refitted once, when it ends.
    const bool autoSize = next.autoSize_;
    next.autoSize_ = false;
    next.settle();
    next.autoSize_ = autoSize;
    *this = std::move(next);
    return p;
}

void PieceTable::nudge(int dx, int dy, const Options& options) {
    if (slots_.empty()) return;
    const Rect& pick = currentSlot().pieceRect;
    PieceTable next = *this;
    const QPoint p =
        moveRule(rects(), pickIndex_, pick, QPoint(pick.left + dx, pick.top + dy), rulesOf(options, canvas_));
    next.currentSlot().pieceRect.left = p.x();
    next.currentSlot().pieceRect.top = p.y();
    next.settle();
    *this = std::move(next);
}

void PieceTable::typeLeft(int left, const Options& options) {
    if (slots_.empty()) return;
    checkPosition(left);
    PieceTable next = *this;
    next.currentSlot().pieceRect.left =
        typedLeftRule(rects(), pickIndex_, currentSlot().pieceRect, left, rulesOf(options, canvas_));
    next.settle();
    *this = std::move(next);
}

void PieceTable::typeTop(int top, const Options& options) {
    if (slots_.empty()) return;
    checkPosition(top);
    PieceTable next = *this;
    next.currentSlot().pieceRect.top =
        typedTopRule(rects(), pickIndex_, currentSlot().pieceRect, top, rulesOf(options, canvas_));
    next.settle();
    *this = std::move(next);
}

Effects PieceTable::offsetBy(int dx, int dy, const Options& options) {
    PieceTable next = *this;
    Effects e;
    for (Piece& p : next.slots_) {
        checkPosition(std::int64_t{p.pieceRect.left} + dx);
        checkPosition(std::int64_t{p.pieceRect.top} + dy);
        p.pieceRect.left += dx;
        p.pieceRect.top += dy;
        const Rect& r = p.pieceRect;
        const bool out = dx != 0 ? (r.left < 0 || r.right() > canvas_.width())
                                 : (r.top < 0 || r.bottom() > canvas_.height());
        if (options.keepInside && !e.keepInsideOff && out) {
            e.notices << texts::keepInsideOff();
            e.keepInsideOff = true;
        }
    }
    next.settle();
    *this = std::move(next);
    return e;
}

void PieceTable::raise(bool up) {
    const int t = layerTarget(pickIndex_, pieceCount(), up);
    if (t < 0) return;
    std::swap(slots_[static_cast<size_t>(pickIndex_)], slots_[static_cast<size_t>(t)]);
    pickIndex_ = t;
}

void PieceTable::removeCurrent() {
    if (slots_.empty()) return;
    PieceTable next = *this;
    next.slots_.erase(next.slots_.begin() + pickIndex_);
    if (next.pickIndex_ >= next.pieceCount()) next.pickIndex_ = std::max(next.pieceCount() - 1, 0);
    next.settle();
    *this = std::move(next);
}

void PieceTable::clear() {
    slots_.clear();
    pickIndex_ = 0;
}

void PieceTable::setTransparent(bool on) {
    if (slots_.empty()) return;
    currentSlot().transparent = on;
}

void PieceTable::setTransColor(base::Colour colour) {
    if (slots_.empty()) return;
    currentSlot().pieceTransColor = colour;
}

void PieceTable::setBackground(Background background) {
    background_ = std::move(background);
}

Effects PieceTable::replaceCurrent(const QImage& picture, const QImage& thumbnail,
                                   std::optional<base::Colour> key, const Options& options) {
    Effects e;
    if (slots_.empty()) return e;
    PieceTable next = *this;
    Piece& p = next.currentSlot();
    if (key) {
        p.transparent = true;
        p.pieceTransColor = *key;
    }
    p.picture = picture;
    p.thumbnail = thumbnail;
    p.pieceRect.width = picture.width();
    p.pieceRect.height = picture.height();
    next.settle();
    const Rect& r = next.currentSlot().pieceRect;
    if (options.noOverlap) {
        for (int i = 0; i < next.pieceCount(); ++i) {
            if (i != next.pickIndex_ && overlaps(r, next.slots_[static_cast<size_t>(i)].pieceRect)) {
                e.notices << texts::noOverlapOff();
                e.noOverlapOff = true;
                break;
            }
        }
    }
    if (options.keepInside && (r.right() > next.canvas_.width() || r.bottom() > next.canvas_.height())) {
        e.notices << texts::keepInsideOff();
        e.keepInsideOff = true;
    }
    *this = std::move(next);
    return e;
}

const QImage* ScaledPictures::find(const Key& key) const {
    const auto it = pictures_.find(key);
    return it == pictures_.end() ? nullptr : &it->second;
}

Effects PieceTable::arrange(const Arrangement& a, const Options& options, ScaledPictures* cache) {
    checkArrangement(a);
    if (slots_.empty()) throw base::Error(texts::nothingToArrange());
    // Every size is checked before the first picture is scaled.
    std::vector<QSize> own;
    own.reserve(slots_.size());
    for (const Piece& p : slots_) own.push_back(p.picture.size());
    BoxLayout layout;
    if (a.kind == LayoutKind::Justified) {
        layout = justifiedLayout(own, a);
    } else if (a.fixedSize()) {
        layout = fixedLayout(own, a);
    } else {
        std::vector<QSize> sizes;
        sizes.reserve(own.size());
        for (const QSize size : own) {
            const WideSize s = scaledSize(size, a.size, a.target);
            base::checkSize(s.width, s.height);
            sizes.emplace_back(static_cast<int>(s.width), static_cast<int>(s.height));
        }
        const GridLayout g = gridLayout(sizes, a);
        for (size_t i = 0; i < sizes.size(); ++i)
            layout.boxes.push_back({g.left[i], g.top[i], sizes[i].width(), sizes[i].height(), QRect()});
        layout.canvasWidth = g.canvasWidth;
        layout.canvasHeight = g.canvasHeight;
    }
    for (const PieceBox& b : layout.boxes) {
        base::checkSize(b.width, b.height);
        checkPosition(b.left);
        checkPosition(b.top);
    }
    if (!base::sizeAllowed(layout.canvasWidth, layout.canvasHeight))
        throw base::Error(texts::canvasTooLarge(layout.canvasWidth, layout.canvasHeight));

    PieceTable next = *this;
    std::map<ScaledPictures::Key, QImage> used;
    for (size_t i = 0; i < next.slots_.size(); ++i) {
        Piece& p = next.slots_[i];
        const PieceBox& b = layout.boxes[i];
        const QSize size(static_cast<int>(b.width), static_cast<int>(b.height));
        if (p.picture.size() != size || !b.crop.isEmpty()) {
            const QRect crop = b.crop.isEmpty() ? QRect(QPoint(0, 0), p.picture.size()) : b.crop;
            const ScaledPictures::Key key{p.picture.cacheKey(),
                                          size.width(),
                                          size.height(),
                                          p.transparent,
                                          p.transparent ? p.pieceTransColor : 0,
                                          crop.x(),
                                          crop.y(),
                                          crop.width(),
                                          crop.height()};
            const QImage* kept = cache ? cache->find(key) : nullptr;
            QImage scaled;
            if (kept) {
                scaled = *kept;
            } else {
                // The kept part is read where it lies: a view of the picture's rows, copied only
                // when it is the result itself.
                const QImage part = b.crop.isEmpty() ? p.picture : cropView(p.picture, b.crop);
                // Off, the key never shows: every sample is covered, so every pixel passes.
                scaled = part.size() == size
                             ? part.copy()
                             : zoom::scale(zoom::bgrSource(part), size,
                                           zoom::KeyOptions{p.transparent, p.pieceTransColor, 50});
            }
            if (cache) used.emplace(key, scaled);
            p.picture = scaled;
            // A cropped picture is a new picture: the list shows it as the cut editor's would.
            if (!b.crop.isEmpty() && !p.thumbnail.isNull()) p.thumbnail = editedThumbnail(scaled);
        }
        p.pieceRect = Rect{static_cast<int>(b.left), static_cast<int>(b.top), size.width(), size.height()};
    }
    next.canvas_ = QSize(static_cast<int>(layout.canvasWidth), static_cast<int>(layout.canvasHeight));
    if (a.margin > 0 || a.fixedSize()) next.autoSize_ = false;
    // A short last row leaves the width the user asked for wider than the pieces.
    if (a.kind == LayoutKind::Justified && next.autoSize_) {
        std::int64_t right = 0;
        for (const Piece& p : next.slots_) right = std::max(right, p.pieceRect.right());
        if (right != layout.canvasWidth) next.autoSize_ = false;
    }
    next.settle();

    Effects e;
    const std::vector<Rect> r = next.rects();
    if (options.noOverlap) {
        bool any = false;
        for (size_t i = 0; i < r.size() && !any; ++i)
            for (size_t j = i + 1; j < r.size() && !any; ++j) any = overlaps(r[i], r[j]);
        if (any) {
            e.notices << texts::noOverlapOff();
            e.noOverlapOff = true;
        }
    }
    if (options.keepInside && std::any_of(r.begin(), r.end(), [&](const Rect& x) {
            return !inside(x, next.canvas_.width(), next.canvas_.height());
        })) {
        e.notices << texts::keepInsideOff();
        e.keepInsideOff = true;
    }
    if (cache) cache->keepOnly(std::move(used));
    *this = std::move(next);
    return e;
}

template <class SamePicture>
bool PieceTable::sameState(const PieceTable& other, SamePicture samePictures) const {
    if (canvas_ != other.canvas_ || autoSize_ != other.autoSize_ || slots_.size() != other.slots_.size() ||
        background_.colour != other.background_.colour ||
        !samePictures(background_.picture, other.background_.picture))
        return false;
    for (size_t i = 0; i < slots_.size(); ++i) {
        const Piece& a = slots_[i];
        const Piece& b = other.slots_[i];
        if (!(a.pieceRect == b.pieceRect) || a.pieceFile != b.pieceFile || a.transparent != b.transparent ||
            a.pieceTransColor != b.pieceTransColor)
            return false;
        const auto pa = picturesOf(a), pb = picturesOf(b);
        for (size_t k = 0; k < pa.size(); ++k)
            if (!samePictures(*pa[k], *pb[k])) return false;
    }
    return true;
}

bool PieceTable::sameContent(const PieceTable& other) const {
    return sameState(other, samePicture);
}

bool operator==(const PieceTable& a, const PieceTable& b) {
    return a.pickIndex() == b.pickIndex() &&
           a.sameState(b, [](const QImage& x, const QImage& y) { return x == y; });
}

QImage PieceTable::composeReleasing() && {
    std::vector<Piece> slots = std::move(slots_);
    slots_.clear();
    pickIndex_ = 0;
    // A top piece that is opaque and exactly the canvas hides everything below it: it is the
    // composite, and nothing needs copying (a one-piece join, a format conversion).
    if (!slots.empty()) {
        Piece& top = slots.back();
        if (!top.transparent && top.pieceRect.left == 0 && top.pieceRect.top == 0 &&
            top.picture.size() == canvas_ && top.picture.format() == QImage::Format_BGR888)
            return std::move(top.picture);
    }
    return compose(canvas_, background_, layersOf(slots), [&](std::size_t i) {
        slots[i].picture = QImage();
        slots[i].thumbnail = QImage();
    });
}

QImage composeTable(const PieceTable& table) {
    return compose(table.canvas(), table.background(), table.layers());
}

}  // namespace collage
