#include "collage/history.h"

#include <unordered_set>

namespace collage {

namespace {

template <class F>
void forEachPicture(const PieceTable& t, F&& f) {
    f(t.background().picture);
    for (const Piece& p : t.slots())
        for (const QImage* picture : picturesOf(p)) f(*picture);
}

}  // namespace

History::History(std::size_t maxSteps, std::int64_t maxBytes) : maxSteps_(maxSteps), maxBytes_(maxBytes) {}

void History::record(const PieceTable& before, const PieceTable& now, StepKind kind) {
    if (before.sameContent(now)) return;
    const bool joins = kind == StepKind::Nudge && runOpen_ && runPiece_ == now.pickIndex() && !undo_.empty();
    redo_.clear();
    if (!joins) undo_.push_back(before);
    runOpen_ = kind == StepKind::Nudge;
    runPiece_ = now.pickIndex();
    // Only a picture that `now` no longer holds can make the history keep more bytes alive.
    std::unordered_set<qint64> held;
    forEachPicture(now, [&](const QImage& i) { held.insert(i.cacheKey()); });
    bool dropped = false;
    forEachPicture(before,
                   [&](const QImage& i) { dropped = dropped || (!i.isNull() && !held.count(i.cacheKey())); });
    while (undo_.size() > maxSteps_) undo_.pop_front();
    if (dropped) trim(now);
    if (undo_.empty()) runOpen_ = false;
}

bool History::undo(PieceTable& state) {
    if (undo_.empty()) return false;
    redo_.push_back(std::move(state));
    state = std::move(undo_.back());
    undo_.pop_back();
    runOpen_ = false;
    return true;
}

bool History::redo(PieceTable& state) {
    if (redo_.empty()) return false;
    undo_.push_back(std::move(state));
    state = std::move(redo_.back());
    redo_.pop_back();
    runOpen_ = false;
    return true;
}

void History::clear() {
    undo_.clear();
    redo_.clear();
    runOpen_ = false;
}

std::int64_t History::retainedBytes(const PieceTable& current) const {
    std::unordered_set<qint64> seen;
    forEachPicture(current, [&](const QImage& i) { seen.insert(i.cacheKey()); });
    std::int64_t bytes = 0;
    auto count = [&](const PieceTable& t) {
        forEachPicture(t, [&](const QImage& i) {
            if (!i.isNull() && seen.insert(i.cacheKey()).second) bytes += i.sizeInBytes();
        });
    };
    for (const PieceTable& t : undo_) count(t);
    for (const PieceTable& t : redo_) count(t);
    return bytes;
}

void History::trim(const PieceTable& current) {
    while (!undo_.empty() && retainedBytes(current) > maxBytes_) undo_.pop_front();
}

}  // namespace collage
