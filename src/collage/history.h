#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "collage/piece_table.h"

namespace collage {

// What kind of user action a step was: a run of cursor-key nudges of one piece with nothing else
// in between is one step.
enum class StepKind { Other, Nudge };

// Undo and redo of the main window's piece table. Each step keeps the whole earlier state;
// pictures are shared with the states around them, so a move costs a few bytes. The history is
// bounded in steps and in the bytes of pictures only it keeps alive; the oldest steps go first.
class History {
public:
    explicit History(std::size_t maxSteps = 100, std::int64_t maxBytes = std::int64_t{1} << 30);

    // Records that `before` became `now` by one user action. Nothing is recorded when the content
    // did not change; a nudge of the same piece right after a nudge joins that step. Any new
    // step drops the redo steps.
    void record(const PieceTable& before, const PieceTable& now, StepKind kind = StepKind::Other);
    // Ends a run of nudges (something else happened in between).
    void breakRun() { runOpen_ = false; }

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // Replace `state` with the one before (after) it; false when there is none.
    bool undo(PieceTable& state);
    bool redo(PieceTable& state);
    void clear();

    std::size_t undoSteps() const { return undo_.size(); }
    std::size_t redoSteps() const { return redo_.size(); }
    // The bytes of pictures the steps keep alive that `current` does not hold.
    std::int64_t retainedBytes(const PieceTable& current) const;

private:
    void trim(const PieceTable& current);

    std::deque<PieceTable> undo_;   // oldest first
    std::vector<PieceTable> redo_;  // the next redo last
    std::size_t maxSteps_;
    std::int64_t maxBytes_;
    bool runOpen_ = false;
    int runPiece_ = -1;
};

}  // namespace collage
