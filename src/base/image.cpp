#include "base/image.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <QPainter>

#include "base/error.h"
#include "base/messages.h"

namespace base {

bool sizeAllowed(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= kMaxPixels;
}

void checkSize(std::int64_t width, std::int64_t height) {
    if (!sizeAllowed(width, height)) throw Error(messages::pictureSize(width, height));
}

void throwOutOfMemory(std::int64_t width, std::int64_t height) {
    throw Error(messages::outOfMemory(width, height));
}

namespace {

struct Mapping {
    void* start;
    std::size_t length;
};

#if defined(__linux__)
// `bytes` on 2 MiB pages where the kernel has them, starting on a 2 MiB boundary. The part past
// the last whole huge page takes small pages, so no picture holds up to 2 MiB it never uses.
// Null when mapping fails.
std::uint8_t* mapLarge(std::size_t bytes, Mapping& out) {
    if (bytes > std::numeric_limits<std::size_t>::max() - 2 * kLargeBlock) return nullptr;
    const std::size_t length = bytes + kLargeBlock;  // room to align the start
    void* start = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) return nullptr;
    const auto aligned = (reinterpret_cast<std::uintptr_t>(start) + kLargeBlock - 1) & ~(kLargeBlock - 1);
    auto* data = reinterpret_cast<std::uint8_t*>(aligned);
    madvise(data, bytes, MADV_HUGEPAGE);  // advice only: without it the pages are just small
    out = Mapping{start, length};
    return data;
}

void unmapLarge(const Mapping& m) {
    munmap(m.start, m.length);
}
#else
std::uint8_t* mapLarge(std::size_t, Mapping&) {
    return nullptr;
}

void unmapLarge(const Mapping&) {}
#endif

void releaseImage(void* info) {
    auto* m = static_cast<Mapping*>(info);
    unmapLarge(*m);
    delete m;
}

qsizetype strideOf(int width, QImage::Format format) {
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    return ((static_cast<qsizetype>(width) * depth + 31) >> 5) << 2;  // QImage's own: 32-bit rows
}

}  // namespace

QImage allocateImage(int width, int height, QImage::Format format) {
    checkSize(width, height);
    const qsizetype bpl = strideOf(width, format);
    const std::size_t bytes = static_cast<std::size_t>(bpl) * static_cast<std::size_t>(height);
    if (bytes >= kLargeBlock) {
        Mapping m{};
        if (std::uint8_t* data = mapLarge(bytes, m)) {
            auto* info = new Mapping(m);
            QImage img(data, width, height, bpl, format, releaseImage, info);
            if (!img.isNull()) return img;
            releaseImage(info);
        }
    }
    QImage img(width, height, format);
    if (img.isNull()) throwOutOfMemory(width, height);
    return img;
}

bool isMapped(const QImage& image) {
    return !image.isNull() &&
           (reinterpret_cast<std::uintptr_t>(image.constBits()) & (kLargeBlock - 1)) == 0 &&
           image.sizeInBytes() >= static_cast<qsizetype>(kLargeBlock);
}

void releaseRows(const QImage& image, int first, int last) {
#if defined(__linux__)
    if (!isMapped(image) || first >= last) return;
    // Whole 2 MiB pages only: splitting one the kernel gave whole costs more than it saves.
    constexpr std::uintptr_t page = kLargeBlock;
    const auto from = reinterpret_cast<std::uintptr_t>(image.constScanLine(first));
    const auto to = reinterpret_cast<std::uintptr_t>(image.constBits()) +
                    static_cast<std::uintptr_t>(last) * static_cast<std::uintptr_t>(image.bytesPerLine());
    const std::uintptr_t start = (from + page - 1) & ~(page - 1);
    // The last rows go with the small pages after the last whole large one.
    constexpr std::uintptr_t small = 4096;
    const std::uintptr_t end = last >= image.height() ? (to + small - 1) & ~(small - 1) : to & ~(page - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
#else
    (void)image;
    (void)first;
    (void)last;
#endif
}

Block::Block(std::size_t size) : size_(size) {
    if (size >= kLargeBlock) {
        Mapping m{};
        if (std::uint8_t* data = mapLarge(size, m)) {
            data_ = data;
            mapping_ = m.start;
            mappingLength_ = m.length;
            return;
        }
    }
    data_ = static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (data_ == nullptr) throw std::bad_alloc();
}

Block::Block(Block&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mappingLength_(std::exchange(other.mappingLength_, 0)) {}

Block& Block::operator=(Block&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapping_ = std::exchange(other.mapping_, nullptr);
        mappingLength_ = std::exchange(other.mappingLength_, 0);
    }
    return *this;
}

Block::~Block() {
    release();
}

void Block::release() noexcept {
    if (mapping_ != nullptr)
        unmapLarge(Mapping{mapping_, mappingLength_});
    else
        std::free(data_);
    data_ = nullptr;
    mapping_ = nullptr;
}

QImage makeBgr(int width, int height, Colour fill) {
    QImage img = allocateBgr(width, height);
    const std::uint8_t b = blue(fill), g = green(fill), r = red(fill);
    if (b == g && g == r) {
        img.fill(QColor(r, g, b));
        return img;
    }
    std::uint8_t* row0 = img.scanLine(0);
    for (int x = 0; x < width; ++x) {
        row0[3 * x] = b;
        row0[3 * x + 1] = g;
        row0[3 * x + 2] = r;
    }
    for (int y = 1; y < height; ++y) std::memcpy(img.scanLine(y), row0, static_cast<size_t>(3) * width);
    return img;
}

QImage makeIndexed(int width, int height) {
    return allocateImage(width, height, QImage::Format_Indexed8);
}

QImage toBgr(const QImage& image) {
    if (image.format() == QImage::Format_BGR888) return image;
    if (image.hasAlphaChannel()) {
        QImage out = makeBgr(image.width(), image.height(), 0);
        QPainter p(&out);
        p.drawImage(0, 0, image);
        p.end();
        return out;
    }
    QImage out = image.convertToFormat(QImage::Format_BGR888);
    if (out.isNull()) throw Error(messages::outOfMemory(image.width(), image.height()));
    return out;
}

}  // namespace base
