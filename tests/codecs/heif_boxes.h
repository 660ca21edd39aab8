#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include <QByteArray>

// HEIF files put together box by box around the coded picture of a small HEIC from libheif's
// encoder: derived pictures (grids, overlays, identities), alpha pictures and item locations that
// libheif's own writer never makes, for the reader's guards and the fuzzer's seeds.
namespace codectest {

struct HeifItem {
    std::uint32_t id = 0;
    QByteArray type;      // "hvc1" (the coded picture, data and hvcC filled in), "grid", "iovl", "iden"
    QByteArray data;      // a derived picture's description; the coded picture's when empty
    bool inIdat = false;  // the description in the idat box rather than mdat
    int width = 0;        // its ispe when not 0
    int height = 0;
    bool alpha = false;  // an alpha picture (auxC)
    bool hidden = false;
};

struct HeifReference {
    QByteArray type;  // "dimg", "auxl"
    std::uint32_t from = 0;
    std::vector<std::uint32_t> to;
};

struct HeifLayout {
    std::uint32_t primary = 1;
    std::vector<HeifItem> items;
    std::vector<HeifReference> references;
    QByteArray iloc;  // a whole iloc box in place of the one made from the items, when not empty
    std::vector<std::pair<std::uint32_t, QByteArray>> relocated;  // items located again, in idat
};

// The side of the square coded picture every hvc1 item holds.
inline constexpr int kHeifTile = 64;

QByteArray heifAssemble(const HeifLayout& layout);

// A grid's description: rows × columns of tiles on a width × height canvas (32-bit sizes when wide).
QByteArray gridDescription(int rows, int columns, std::uint32_t width, std::uint32_t height, bool wide);
// An overlay's description: a canvas and the x, y of each layer (32-bit fields when wide).
QByteArray overlayDescription(std::uint32_t width, std::uint32_t height,
                              const std::vector<std::int32_t>& positions, bool wide);

// Files no reader may decode past its budget or crash on, each refused before libheif decodes it.
enum class HostileHeif {
    LayerAtNegativeOffset,  // a 2000 × 2000 overlay with its layer at -10, -10
    LayerPastTheCanvas,     // a layer that reaches past the right edge
    LayerWithAlpha,         // a layer with an alpha picture of its own
    AlphaIsHugeGrid,        // the primary picture's alpha is a 65535 × 65535 grid
    GridOfHugeGrid,         // a small grid whose tile is a 65535 × 65535 grid
    IdentityOfHugeGrid,     // an identity item over a 65535 × 65535 grid
    ZeroSizeExtents,        // 65535 items of 65535 extents each, 6 bytes an item (393 KB)
    FewZeroSizeExtents,     // the same with 4000 items (24 KB)
    RepeatedHugeTile,       // a grid of 128 × 128 references to one 8192 × 8192 tile
    ReferenceLoop,          // a grid whose tile is an identity of the grid
    LayerNotAPicture,       // an overlay whose layer is an Exif item
    ReferenceBoxTooLong,    // an overlay whose dimg box claims more bytes than its iref box has
    LocatedTwice,           // a small grid located a second time, on a 65535 × 65535 description
};
QByteArray hostileHeif(HostileHeif kind);

// Files of the same kinds that are sound, which the reader decodes.
enum class DerivedHeif {
    Grid,       // two tiles side by side: 128 × 64
    Overlay,    // two layers on a 160 × 80 canvas
    Identity,   // an identity item over the coded picture: 64 × 64
    WithAlpha,  // the coded picture with an alpha picture: 64 × 64
};
QByteArray derivedHeif(DerivedHeif kind);

}  // namespace codectest
