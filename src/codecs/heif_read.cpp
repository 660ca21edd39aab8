#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include <libheif/heif.h>

#include "base/error.h"
#include "base/image.h"
#include "codecs/heif.h"
#include "codecs/messages.h"

namespace codecs::detail {
namespace {

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
struct NclxDeleter {
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};

void check(const heif_error& error) {
    if (error.code == heif_error_Ok) return;
    const QString reason = QString::fromUtf8(error.message ? error.message : "");
    // libheif refuses sides beyond the limit set below before it allocates anything.
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        throw base::Error(messages::heifTooLarge(reason));
    switch (error.code) {
        case heif_error_Memory_allocation_error:
            throw base::Error(messages::outOfMemory());
        case heif_error_Unsupported_filetype:
        case heif_error_Unsupported_feature:
        case heif_error_Decoder_plugin_error:
            throw base::Error(messages::heifUnsupported(reason));
        default:
            if (error.subcode == heif_suberror_End_of_data)
                throw base::Error(messages::heifTruncated(reason));
            throw base::Error(messages::heifDamaged(reason));
    }
}

void initialiseOnce() {
    static const bool done = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)done;
}

// The colour description of nclx: primaries and curve as the video standards number them.
ColourSource fromNclx(const heif_color_profile_nclx& n) {
    ColourSource source;
    const int primaries = n.color_primaries;
    if (primaries != heif_color_primaries_ITU_R_BT_709_5 && primaries != heif_color_primaries_unspecified)
        source.primaries = Chromaticities{
            n.color_primary_white_x, n.color_primary_white_y, n.color_primary_red_x,  n.color_primary_red_y,
            n.color_primary_green_x, n.color_primary_green_y, n.color_primary_blue_x, n.color_primary_blue_y};
    switch (n.transfer_characteristics) {
        case heif_transfer_characteristic_ITU_R_BT_709_5:
        case heif_transfer_characteristic_ITU_R_BT_601_6:
        case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
        case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
            source.transfer = Transfer::Bt709;
            break;
        case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
            source.transfer = Transfer::Power;
            source.encodingGamma = 1 / 2.2;
            break;
        case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
            source.transfer = Transfer::Power;
            source.encodingGamma = 1 / 2.8;
            break;
        case heif_transfer_characteristic_linear:
            source.transfer = Transfer::Power;
            source.encodingGamma = 1;
            break;
        default:
            // sRGB, unspecified, and the high-range curves a picture of 8 bits cannot show: as sRGB.
            if (source.primaries) source.transfer = Transfer::Srgb;
            break;
    }
    return source;
}

ColourSource colourOf(const heif_image_handle* handle) {
    ColourSource source;
    switch (heif_image_handle_get_color_profile_type(handle)) {
        case heif_color_profile_type_prof:
        case heif_color_profile_type_rICC: {
            const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
            if (size == 0 || size > static_cast<std::size_t>(kMaxProfileBytes)) break;
            QByteArray profile(static_cast<qsizetype>(size), Qt::Uninitialized);
            if (heif_image_handle_get_raw_color_profile(handle, profile.data()).code == heif_error_Ok)
                source.iccProfile = profile;
            break;
        }
        case heif_color_profile_type_nclx: {
            // libheif may hand out the profile with an error (unknown primaries): freed either way.
            heif_color_profile_nclx* raw = nullptr;
            const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &raw);
            const std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(raw);
            if (error.code == heif_error_Ok && nclx) source = fromNclx(*nclx);
            break;
        }
        default:
            break;
    }
    return source;
}

// libheif sizes the canvas of a grid or overlay picture from the item's own description, not from
// the size box it checks against its limits, and allocates it before any check of ours could run:
// 1.4 KiB claiming a 1 GiB canvas was a fuzzing finding. With the whole file in memory, the
// primary item's description is found here first (the box layout of ISO/IEC 14496-12) and its
// canvas checked against the budget. Anything unexpected is left to libheif, which refuses it.
class Boxes {
public:
    Boxes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    struct Box {
        std::uint32_t type = 0;
        std::size_t body = 0;  // offset of the contents
        std::size_t end = 0;
    };
    // The box at `at` that ends by `limit`; false when it does not fit.
    bool box(std::size_t at, std::size_t limit, Box& out) const {
        if (limit > size_ || at > limit || limit - at < 8) return false;
        std::uint64_t length = be(at, 4);
        out.type = static_cast<std::uint32_t>(be(at + 4, 4));
        out.body = at + 8;
        if (length == 1) {
            if (limit - at < 16) return false;
            length = be(at + 8, 8);
            out.body = at + 16;
        } else if (length == 0) {
            length = limit - at;
        }
        if (length < out.body - at || length > limit - at) return false;
        out.end = at + static_cast<std::size_t>(length);
        return true;
    }
    bool has(std::size_t at, std::size_t n, std::size_t limit) const {
        return at <= limit && limit - at >= n;
    }
    std::uint64_t be(std::size_t at, int bytes) const {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | data_[at + static_cast<std::size_t>(i)];
        return v;
    }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

constexpr std::uint32_t fourcc(const char (&t)[5]) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(t[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(t[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(t[2])) << 8 | static_cast<std::uint8_t>(t[3]);
}

struct Extent {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// The first bytes (up to `wanted`) of an item's data, from the file or the idat box.
QByteArray itemBytes(const Boxes& b, int method, const std::vector<Extent>& extents, std::size_t idat,
                     std::size_t idatEnd, std::size_t wanted) {
    QByteArray out;
    const std::size_t base = method == 1 ? idat : 0, end = method == 1 ? idatEnd : b.size();
    for (const Extent& e : extents) {
        if (e.offset > end - base) break;
        const std::size_t from = base + static_cast<std::size_t>(e.offset);
        std::size_t n =
            e.length == 0 || e.length > end - from ? end - from : static_cast<std::size_t>(e.length);
        n = std::min(n, wanted - static_cast<std::size_t>(out.size()));
        out.append(reinterpret_cast<const char*>(b.data() + from), static_cast<qsizetype>(n));
        if (static_cast<std::size_t>(out.size()) >= wanted) break;
    }
    return out;
}

void checkDerivedCanvas(const QByteArray& file) {
    const Boxes b(reinterpret_cast<const std::uint8_t*>(file.constData()),
                  static_cast<std::size_t>(file.size()));
    Boxes::Box meta;
    std::size_t at = 0;
    for (;;) {
        if (!b.box(at, b.size(), meta)) return;
        if (meta.type == fourcc("meta")) break;
        at = meta.end;
    }
    const std::size_t metaBody = meta.body + 4;  // version and flags
    std::uint64_t primary = 0;
    bool havePrimary = false;
    std::uint32_t primaryType = 0;
    std::size_t iloc = 0, ilocEnd = 0, idat = 0, idatEnd = 0;
    Boxes::Box child;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> types;
    for (at = metaBody; b.box(at, meta.end, child); at = child.end) {
        const std::size_t body = child.body + 4;
        if (!b.has(child.body, 4, child.end)) continue;
        const int version = b.data()[child.body];
        if (child.type == fourcc("pitm")) {
            const int n = version == 0 ? 2 : 4;
            if (!b.has(body, static_cast<std::size_t>(n), child.end)) return;
            primary = b.be(body, n);
            havePrimary = true;
        } else if (child.type == fourcc("iinf")) {
            const std::size_t first = body + (version == 0 ? 2 : 4);
            Boxes::Box infe;
            for (std::size_t i = first; b.box(i, child.end, infe); i = infe.end) {
                if (infe.type != fourcc("infe") || !b.has(infe.body, 4, infe.end)) continue;
                const int v = b.data()[infe.body];
                if (v < 2) continue;
                const int idBytes = v == 2 ? 2 : 4;
                const std::size_t p = infe.body + 4;
                if (!b.has(p, static_cast<std::size_t>(idBytes) + 6, infe.end)) continue;
                types.emplace_back(b.be(p, idBytes), static_cast<std::uint32_t>(b.be(p + idBytes + 2, 4)));
            }
        } else if (child.type == fourcc("iloc")) {
            iloc = child.body;
            ilocEnd = child.end;
        } else if (child.type == fourcc("idat")) {
            idat = child.body;
            idatEnd = child.end;
        }
    }
    if (!havePrimary || iloc == 0) return;
    for (const auto& [id, type] : types)
        if (id == primary) primaryType = type;
    const bool grid = primaryType == fourcc("grid");
    if (!grid && primaryType != fourcc("iovl")) return;

    // The primary item's extents.
    const int version = b.data()[iloc];
    std::size_t p = iloc + 4;
    if (!b.has(p, 2, ilocEnd)) return;
    const int offsetSize = b.data()[p] >> 4, lengthSize = b.data()[p] & 15;
    const int baseSize = b.data()[p + 1] >> 4, indexSize = version >= 1 ? b.data()[p + 1] & 15 : 0;
    p += 2;
    const int countBytes = version < 2 ? 2 : 4;
    if (!b.has(p, static_cast<std::size_t>(countBytes), ilocEnd)) return;
    const std::uint64_t items = b.be(p, countBytes);
    p += static_cast<std::size_t>(countBytes);
    for (std::uint64_t i = 0; i < items; ++i) {
        const int idBytes = version < 2 ? 2 : 4;
        const std::size_t head = static_cast<std::size_t>(idBytes) + (version >= 1 ? 2 : 0) + 2 +
                                 static_cast<std::size_t>(baseSize) + 2;
        if (!b.has(p, head, ilocEnd)) return;
        const std::uint64_t id = b.be(p, idBytes);
        p += static_cast<std::size_t>(idBytes);
        const int method = version >= 1 ? static_cast<int>(b.be(p, 2) & 15) : 0;
        if (version >= 1) p += 2;
        p += 2;  // data reference index
        const std::uint64_t base = baseSize ? b.be(p, baseSize) : 0;
        p += static_cast<std::size_t>(baseSize);
        const std::uint64_t count = b.be(p, 2);
        p += 2;
        std::vector<Extent> extents;
        const std::size_t each = static_cast<std::size_t>(indexSize + offsetSize + lengthSize);
        for (std::uint64_t e = 0; e < count; ++e) {
            if (!b.has(p, each, ilocEnd)) return;
            p += static_cast<std::size_t>(indexSize);
            const std::uint64_t offset = offsetSize ? b.be(p, offsetSize) : 0;
            p += static_cast<std::size_t>(offsetSize);
            const std::uint64_t length = lengthSize ? b.be(p, lengthSize) : 0;
            p += static_cast<std::size_t>(lengthSize);
            if (offset > UINT64_MAX - base) return;
            extents.push_back({base + offset, length});
        }
        if (id != primary) continue;
        if (method > 1) return;  // from another item: libheif's concern
        // grid: version, flags, rows - 1, columns - 1, width, height; overlay: version, flags, four
        // fill values, width, height. The sizes are 32 bits with flag 1, else 16.
        const QByteArray d = itemBytes(b, method, extents, idat, idatEnd, grid ? 12 : 18);
        const std::size_t sizes = grid ? 4 : 10;
        if (d.size() < 2) return;
        const int bytes = (static_cast<std::uint8_t>(d[1]) & 1) ? 4 : 2;
        if (static_cast<std::size_t>(d.size()) < sizes + 2 * static_cast<std::size_t>(bytes)) return;
        const Boxes descriptor(reinterpret_cast<const std::uint8_t*>(d.constData()),
                               static_cast<std::size_t>(d.size()));
        base::checkSize(
            static_cast<std::int64_t>(descriptor.be(sizes, bytes)),
            static_cast<std::int64_t>(descriptor.be(sizes + static_cast<std::size_t>(bytes), bytes)));
        return;
    }
}

}  // namespace

Decoded decodeHeif(const QByteArray& data) {
    initialiseOnce();
    checkDerivedCanvas(data);
    const std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context) throw base::Error(messages::outOfMemory());
    // libheif refuses larger sides itself, before it allocates for them.
    heif_context_set_maximum_image_size_limit(context.get(), static_cast<int>(base::kMaxSide) + 1);
    heif_context_set_max_decoding_threads(context.get(), 0);
    check(heif_context_read_from_memory_without_copy(context.get(), data.constData(),
                                                     static_cast<std::size_t>(data.size()), nullptr));
    heif_image_handle* rawHandle = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &rawHandle));
    const std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);
    base::checkSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()));
    // Premultiplied colours are already the picture over black; only straight alpha needs drawing.
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0 &&
                       heif_image_handle_is_premultiplied_alpha(handle.get()) == 0;

    Decoded decoded;
    decoded.colour = colourOf(handle.get());
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    if (!options) throw base::Error(messages::outOfMemory());
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            options.get()));
    const std::unique_ptr<heif_image, ImageDeleter> image(rawImage);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    base::checkSize(width, height);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int channels = alpha ? 4 : 3;
    if (!plane || stride < width * channels ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8)
        throw base::Error(messages::heifUnsupported(QStringLiteral("interleaved RGB")));

    QImage picture(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    if (picture.isNull()) throw base::Error(messages::outOfMemory());
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = plane + static_cast<std::ptrdiff_t>(stride) * y;
        std::uint8_t* to = picture.scanLine(y);
        for (int x = 0; x < width; ++x, from += channels, to += channels) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            if (alpha) to[3] = from[3];
        }
    }
    decoded.picture = std::move(picture);
    return decoded;
}

}  // namespace codecs::detail
