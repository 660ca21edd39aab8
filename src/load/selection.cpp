#include "load/selection.h"

#include "base/round.h"

namespace load {

int centredThumb(int extent) {
    return base::roundEvenInt(extent / 2.0);
}

}  // namespace load
