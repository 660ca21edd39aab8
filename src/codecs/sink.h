#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

#include "base/image.h"
#include "codecs/encoded.h"

namespace codecs::detail {

// A growing byte buffer in a block of the picture allocator that C libraries can write into from
// their callbacks: it never throws (an exception must not cross their frames) and reports a
// failed allocation instead. Pages of the block cost only once written, so a generous first size
// (a bound on the file, when the writer knows one) makes growing, and its copy, rare.
class ByteSink {
public:
    explicit ByteSink(std::size_t firstSize = 64 * 1024) : firstSize_(std::max<std::size_t>(firstSize, 64)) {}
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;

    bool append(const void* bytes, std::size_t n) noexcept {
        if (n > out_.block.size() - out_.size && !grow(n)) return false;
        std::memcpy(out_.block.data() + out_.size, bytes, n);
        out_.size += n;
        return true;
    }

    std::size_t size() const { return out_.size; }

    // The bytes written, for the file; the sink is empty after.
    Encoded take() {
        Encoded taken = std::move(out_);
        out_.size = 0;
        return taken;
    }

private:
    bool grow(std::size_t n) noexcept {
        std::size_t wanted = out_.block.size() ? out_.block.size() : firstSize_;
        while (wanted - out_.size < n) {
            if (wanted > kLimit / 2) return false;
            wanted *= 2;
        }
        try {
            base::Block bigger(wanted);
            if (out_.size) std::memcpy(bigger.data(), out_.block.data(), out_.size);
            out_.block = std::move(bigger);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    // Far above any picture the budget admits, and still a valid QByteArray size.
    static constexpr std::size_t kLimit = std::size_t{1} << 31;
    std::size_t firstSize_;
    Encoded out_;
};

}  // namespace codecs::detail
