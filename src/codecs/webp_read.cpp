#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

#include "base/error.h"
#include "base/image.h"
#include "codecs/messages.h"
#include "codecs/orientation.h"
#include "codecs/webp.h"

namespace codecs::detail {
namespace {

QString statusName(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OK:
            return QStringLiteral("VP8_STATUS_OK");
        case VP8_STATUS_OUT_OF_MEMORY:
            return QStringLiteral("VP8_STATUS_OUT_OF_MEMORY");
        case VP8_STATUS_INVALID_PARAM:
            return QStringLiteral("VP8_STATUS_INVALID_PARAM");
        case VP8_STATUS_BITSTREAM_ERROR:
            return QStringLiteral("VP8_STATUS_BITSTREAM_ERROR");
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return QStringLiteral("VP8_STATUS_UNSUPPORTED_FEATURE");
        case VP8_STATUS_SUSPENDED:
            return QStringLiteral("VP8_STATUS_SUSPENDED");
        case VP8_STATUS_USER_ABORT:
            return QStringLiteral("VP8_STATUS_USER_ABORT");
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return QStringLiteral("VP8_STATUS_NOT_ENOUGH_DATA");
    }
    return QString::number(static_cast<int>(status));
}

[[noreturn]] void fail(VP8StatusCode status) {
    if (status == VP8_STATUS_OUT_OF_MEMORY) throw base::Error(messages::outOfMemory());
    if (status == VP8_STATUS_NOT_ENOUGH_DATA) throw base::Error(messages::webpTruncated(statusName(status)));
    throw base::Error(messages::webpDamaged(statusName(status)));
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct AnimDeleter {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

QByteArray chunk(const WebPDemuxer* demux, const char* fourcc) {
    WebPChunkIterator it;
    if (!WebPDemuxGetChunk(demux, fourcc, 1, &it)) return {};
    QByteArray bytes(reinterpret_cast<const char*>(it.chunk.bytes), static_cast<qsizetype>(it.chunk.size));
    WebPDemuxReleaseChunkIterator(&it);
    return bytes;
}

// An animation's canvas costs the decoder two canvases of memory and their clearing whatever the
// frames hold, so 92 bytes could claim a canvas of 11585 × 11585 around one small frame. The
// frames together must cover a fair part of a large canvas; the encoders crop a frame only to
// what changed or is not transparent, which in a real animation still leaves the frames
// spread over much of the canvas.
constexpr std::int64_t kFreeCanvasPixels = std::int64_t{1} << 24;
constexpr std::int64_t kCanvasPerFramePixel = 16;

void checkFramesFillTheCanvas(const WebPDemuxer* demux, std::int64_t width, std::int64_t height) {
    if (width * height <= kFreeCanvasPixels) return;
    std::int64_t left = width, top = height, right = 0, bottom = 0;
    WebPIterator frame;
    if (WebPDemuxGetFrame(demux, 1, &frame)) {
        do {
            left = std::min<std::int64_t>(left, frame.x_offset);
            top = std::min<std::int64_t>(top, frame.y_offset);
            right = std::max<std::int64_t>(right, std::int64_t{frame.x_offset} + frame.width);
            bottom = std::max<std::int64_t>(bottom, std::int64_t{frame.y_offset} + frame.height);
        } while (WebPDemuxNextFrame(&frame));
        WebPDemuxReleaseIterator(&frame);
    }
    const std::int64_t framesWidth = std::max<std::int64_t>(right - left, 0);
    const std::int64_t framesHeight = std::max<std::int64_t>(bottom - top, 0);
    if (framesWidth * framesHeight * kCanvasPerFramePixel < width * height)
        throw base::Error(messages::webpFramesFarSmallerThanCanvas(
            static_cast<int>(width), static_cast<int>(height), static_cast<int>(framesWidth),
            static_cast<int>(framesHeight)));
}

// The first frame of an animation as the animation shows it: composed on the full canvas.
QImage firstAnimationFrame(const WebPData& data, int width, int height) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        throw base::Error(messages::webpDamaged(QStringLiteral("WebPAnimDecoderOptionsInit")));
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const std::unique_ptr<WebPAnimDecoder, AnimDeleter> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder) throw base::Error(messages::webpDamaged(QStringLiteral("WebPAnimDecoderNew")));
    std::uint8_t* pixels = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &pixels, &timestamp) || !pixels)
        throw base::Error(messages::webpDamaged(QStringLiteral("WebPAnimDecoderGetNext")));
    QImage picture = base::allocateImage(width, height, QImage::Format_ARGB32);
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y) std::memcpy(picture.scanLine(y), pixels + rowBytes * y, rowBytes);
    return picture;
}

QImage stillPicture(const WebPDemuxer* demux, int width, int height) {
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demux, 1, &frame))
        throw base::Error(messages::webpDamaged(QStringLiteral("WebPDemuxGetFrame")));
    const std::uint8_t* bytes = frame.fragment.bytes;
    const std::size_t size = frame.fragment.size;
    const bool complete = frame.complete != 0;
    WebPDemuxReleaseIterator(&frame);
    if (!complete) fail(VP8_STATUS_NOT_ENOUGH_DATA);

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) fail(VP8_STATUS_INVALID_PARAM);
    const VP8StatusCode features = WebPGetFeatures(bytes, size, &config.input);
    if (features != VP8_STATUS_OK) fail(features);
    // The bitstream's own size is what it will write; it must be the canvas the budget admitted.
    if (config.input.width != width || config.input.height != height)
        throw base::Error(messages::webpDamaged(QStringLiteral("%1 × %2 / %3 × %4")
                                                    .arg(config.input.width)
                                                    .arg(config.input.height)
                                                    .arg(width)
                                                    .arg(height)));
    const bool alpha = config.input.has_alpha != 0;
    QImage picture =
        base::allocateImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = picture.bits();
    config.output.u.RGBA.stride = static_cast<int>(picture.bytesPerLine());
    config.output.u.RGBA.size = static_cast<std::size_t>(picture.sizeInBytes());
    config.options.use_threads = 0;
    const VP8StatusCode status = WebPDecode(bytes, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) fail(status);
    return picture;
}

}  // namespace

Decoded decodeWebp(const QByteArray& data) {
    const WebPData whole{reinterpret_cast<const std::uint8_t*>(data.constData()),
                         static_cast<std::size_t>(data.size())};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemuxPartial(&whole, &state));
    if (!demux || state == WEBP_DEMUX_PARSE_ERROR)
        throw base::Error(messages::webpDamaged(QStringLiteral("WebPDemux")));
    if (state != WEBP_DEMUX_DONE) throw base::Error(messages::webpTruncated(QStringLiteral("WebPDemux")));
    const auto width = static_cast<std::int64_t>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
    const auto height = static_cast<std::int64_t>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
    base::checkSize(width, height);
    const std::uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);

    Decoded decoded;
    if (flags & ICCP_FLAG) decoded.colour.iccProfile = chunk(demux.get(), "ICCP");
    decoded.colour.samples = Samples::Rgb;  // the bitstreams hold colour only
    if (flags & EXIF_FLAG) decoded.orientation = exifOrientation(chunk(demux.get(), "EXIF"));
    if (flags & ANIMATION_FLAG) checkFramesFillTheCanvas(demux.get(), width, height);
    decoded.picture = (flags & ANIMATION_FLAG)
                          ? firstAnimationFrame(whole, static_cast<int>(width), static_cast<int>(height))
                          : stillPicture(demux.get(), static_cast<int>(width), static_cast<int>(height));
    return decoded;
}

}  // namespace codecs::detail
