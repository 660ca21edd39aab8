#pragma once

#include <optional>

#include <QString>

#include "load/selection.h"

namespace load {

// The result of committing one of the six selection edits along its axis: the new selection,
// the thumb, and the texts of the axis's three edits that the commit rewrites (an empty
// optional leaves that edit's text as it is, rejected text included).
struct Commit {
    Axis axis;
    int thumb = 0;
    std::optional<int> lowText;
    std::optional<int> sizeText;
    std::optional<int> highText;
};

// The number an edit holds for a commit: its whole number, or -1 when it holds none. Commits
// ignore what they cannot use, silently.
int typedNumber(const QString& text);

// The left (top) edge typed as `typed`. Rejected (nullopt) when negative, or when no edge
// below hi can be had (hi is 0). An edge at or beyond hi is pulled back to hi - 1.
std::optional<Commit> commitLow(const Axis& a, int typed);

// The right (bottom) edge. Rejected when 0 or less, or when lo already stands at the end of
// the picture. Beyond the picture becomes extent; at or before lo becomes lo + 1.
std::optional<Commit> commitHigh(const Axis& a, int typed);

// The width (height): lo stays and hi follows. Rejected when 0 or less; a size passing the
// end of the picture becomes extent - lo (rejected when that is 0).
std::optional<Commit> commitSize(const Axis& a, int typed);

}  // namespace load
