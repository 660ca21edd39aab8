#include "base/round.h"

#include "base/error.h"
#include "base/messages.h"

namespace base {

std::int64_t roundEven(double v) {
    if (const auto r = roundEvenTo<std::int64_t>(v)) return *r;
    throw Error(messages::numberOutOfRange(v));
}

int roundEvenInt(double v) {
    if (const auto r = roundEvenTo<int>(v)) return *r;
    throw Error(messages::numberOutOfRange(v));
}

}  // namespace base
