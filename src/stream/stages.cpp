#include "stream/stages.h"

namespace stream {

std::pair<int, int> PassStages::reads(std::size_t, int top, int bottom) const {
    const zoom::RowSpan span = pass_.sourceRows(top, bottom);
    return {span.first, span.last};
}

}  // namespace stream
