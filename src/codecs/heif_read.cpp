#include <cstdint>
#include <cstring>
#include <memory>

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
            heif_color_profile_nclx* raw = nullptr;
            if (heif_image_handle_get_nclx_color_profile(handle, &raw).code != heif_error_Ok) break;
            const std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(raw);
            if (nclx) source = fromNclx(*nclx);
            break;
        }
        default:
            break;
    }
    return source;
}

}  // namespace

Decoded decodeHeif(const QByteArray& data) {
    initialiseOnce();
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
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;

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
