#include "load/commits.h"

#include "base/number.h"

namespace load {

int typedNumber(const QString& text) {
    int value = 0;
    return base::tryParseInt(text, value) ? value : -1;
}

std::optional<Commit> commitLow(const Axis& a, int typed) {
    if (typed < 0) return std::nullopt;
    Commit c;
    if (typed >= a.hi) {
        typed = a.hi - 1;
        // An empty selection at the first pixel has no left edge to offer.
        if (typed < 0) return std::nullopt;
        c.lowText = typed;
    }
    c.axis = Axis{typed, a.hi, a.extent};
    c.sizeText = c.axis.width();
    c.thumb = thumbOf(c.axis.lo, c.axis.width());
    return c;
}

std::optional<Commit> commitHigh(const Axis& a, int typed) {
    if (typed <= 0) return std::nullopt;
    Commit c;
    if (typed > a.extent) {
        typed = a.extent;
        c.highText = typed;
    }
    if (typed <= a.lo) {
        typed = a.lo + 1;
        // An empty selection at the last edge has no right edge to offer.
        if (typed > a.extent) return std::nullopt;
        c.highText = typed;
    }
    c.axis = Axis{a.lo, typed, a.extent};
    c.sizeText = c.axis.width();
    c.thumb = thumbOf(c.axis.lo, c.axis.width());
    return c;
}

std::optional<Commit> commitSize(const Axis& a, int typed) {
    if (typed <= 0) return std::nullopt;
    Commit c;
    if (static_cast<long long>(a.lo) + typed > a.extent) {
        typed = a.extent - a.lo;
        if (typed <= 0) return std::nullopt;
        c.sizeText = typed;
    }
    c.axis = Axis{a.lo, a.lo + typed, a.extent};
    c.highText = c.axis.hi;
    c.thumb = thumbOf(c.axis.lo, typed);
    return c;
}

}  // namespace load
