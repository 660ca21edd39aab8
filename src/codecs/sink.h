#pragma once

#include <cstdlib>
#include <cstring>

#include <QByteArray>

namespace codecs::detail {

// A growing byte buffer that C libraries can write into from their callbacks: it never throws
// (an exception must not cross their frames) and reports a failed allocation instead.
class ByteSink {
public:
    ByteSink() = default;
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;
    ~ByteSink() { std::free(data_); }

    bool append(const void* bytes, std::size_t n) noexcept {
        if (n > capacity_ - size_) {
            std::size_t wanted = capacity_ ? capacity_ : 64 * 1024;
            while (wanted - size_ < n) {
                if (wanted > kLimit / 2) return false;
                wanted *= 2;
            }
            void* grown = std::realloc(data_, wanted);
            if (!grown) return false;
            data_ = static_cast<unsigned char*>(grown);
            capacity_ = wanted;
        }
        std::memcpy(data_ + size_, bytes, n);
        size_ += n;
        return true;
    }

    QByteArray toByteArray() const {
        return QByteArray(reinterpret_cast<const char*>(data_), static_cast<qsizetype>(size_));
    }

private:
    // Far above any picture the budget admits, and still a valid QByteArray size.
    static constexpr std::size_t kLimit = std::size_t{1} << 31;
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace codecs::detail
