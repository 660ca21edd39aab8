#pragma once

#include <cstddef>

#include <QByteArray>

#include "base/image.h"

namespace codecs::detail {

// An encoder's output in a block of the picture allocator: a large file is written from memory
// that cost few page faults, and goes to disk without a copy.
struct Encoded {
    base::Block block;
    std::size_t size = 0;

    QByteArray toByteArray() const {
        return QByteArray(reinterpret_cast<const char*>(block.data()), static_cast<qsizetype>(size));
    }
};

}  // namespace codecs::detail
