#pragma once

#include <cstddef>
#include <cstdint>

#include <QImage>
#include <QSize>

#include "base/colour.h"

namespace base {

// One budget for every picture the program holds: each side 1..65535 and at most 2^27 pixels.
// That admits 108-megapixel phone photos and keeps the few copies an edit holds near 2 GiB.
inline constexpr std::int64_t kMaxSide = 65535;
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 27;

bool sizeAllowed(std::int64_t width, std::int64_t height);

// Throws base::Error naming the size when sizeAllowed() is false.
void checkSize(std::int64_t width, std::int64_t height);

// Throws base::Error "メモリが足りません (w × h)".
[[noreturn]] void throwOutOfMemory(std::int64_t width, std::int64_t height);

// Every large picture and buffer comes from here. A fresh 4 KiB page costs far more to touch
// than the pixels written to it, so blocks of kLargeBlock bytes or more get their own anonymous
// mapping advised onto 2 MiB pages; smaller ones, or when mapping fails, plain allocation.
inline constexpr std::size_t kLargeBlock = std::size_t{2} << 20;

// A new picture of `format` with the pixels left as they are, checked against the budget, with
// QImage's own row stride. A mapped picture is released with its last copy, as any QImage is.
// Throws base::Error when the budget or the memory refuses it. An Indexed8 one has no palette yet.
QImage allocateImage(int width, int height, QImage::Format format);

// The same as Format_BGR888.
inline QImage allocateBgr(int width, int height) {
    return allocateImage(width, height, QImage::Format_BGR888);
}

// A new 24-bit picture (Format_BGR888), checked against the budget, filled with colour.
QImage makeBgr(int width, int height, Colour fill = 0);

// A byte block from the same allocator, for whole files and encoder output. Move-only.
class Block {
public:
    Block() = default;
    // Throws std::bad_alloc when neither a mapping nor the heap gives `size` bytes.
    explicit Block(std::size_t size);
    Block(Block&& other) noexcept;
    Block& operator=(Block&& other) noexcept;
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    ~Block();

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    // True when the block is its own mapping (for tests).
    bool mapped() const { return mapping_ != nullptr; }

private:
    void release() noexcept;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    void* mapping_ = nullptr;  // the whole mapping when mapped, else data_ came from the heap
    std::size_t mappingLength_ = 0;
};

// True when `image` lives in a mapping of the allocator's (for tests).
bool isMapped(const QImage& image);

// Gives back the memory of rows [first, last) of a mapped picture, whole 2 MiB pages inside them only,
// for a pass that is done with those rows; they read as zeros after. A picture on the heap keeps
// its memory. The picture is not copied, however many hold it.
void releaseRows(const QImage& image, int first, int last);

// A new 8-bit picture (Format_Indexed8) with no colour table yet, checked like makeBgr.
QImage makeIndexed(int width, int height);

// The picture as 24 bits (BGR888); alpha is dropped (drawn over black, as a bitmap holds it).
QImage toBgr(const QImage& image);

// Pixel (x, y) of a BGR888 picture.
inline Colour pixelAt(const QImage& bgr, int x, int y) {
    return fromBgr(bgr.constScanLine(y) + 3 * x);
}

inline void setPixel(QImage& bgr, int x, int y, Colour c) {
    std::uint8_t* p = bgr.scanLine(y) + 3 * x;
    p[0] = blue(c);
    p[1] = green(c);
    p[2] = red(c);
}

}  // namespace base
