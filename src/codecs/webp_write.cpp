#include <iterator>

#include <webp/encode.h>

#include "base/error.h"
#include "codecs/messages.h"
#include "codecs/webp.h"

namespace codecs::detail {
namespace {

QString errorName(WebPEncodingError error) {
    static const char* const names[] = {"VP8_ENC_OK",
                                        "VP8_ENC_ERROR_OUT_OF_MEMORY",
                                        "VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY",
                                        "VP8_ENC_ERROR_NULL_PARAMETER",
                                        "VP8_ENC_ERROR_INVALID_CONFIGURATION",
                                        "VP8_ENC_ERROR_BAD_DIMENSION",
                                        "VP8_ENC_ERROR_PARTITION0_OVERFLOW",
                                        "VP8_ENC_ERROR_PARTITION_OVERFLOW",
                                        "VP8_ENC_ERROR_BAD_WRITE",
                                        "VP8_ENC_ERROR_FILE_TOO_BIG",
                                        "VP8_ENC_ERROR_USER_ABORT"};
    const int i = static_cast<int>(error);
    return i >= 0 && i < static_cast<int>(std::size(names)) ? QString::fromLatin1(names[i])
                                                            : QString::number(i);
}

// Owns what the encoder allocates, whichever way the encoding ends.
struct Encoding {
    WebPPicture picture;
    WebPMemoryWriter writer;
    Encoding() {
        WebPPictureInit(&picture);
        WebPMemoryWriterInit(&writer);
    }
    Encoding(const Encoding&) = delete;
    Encoding& operator=(const Encoding&) = delete;
    ~Encoding() {
        WebPPictureFree(&picture);
        WebPMemoryWriterClear(&writer);
    }
};

}  // namespace

QByteArray encodeWebp(const QImage& bgr, int quality) {
    if (bgr.width() > kMaxWebpSide || bgr.height() > kMaxWebpSide)
        throw base::Error(messages::webpTooLargeToWrite(bgr.width(), bgr.height(), kMaxWebpSide));
    WebPConfig config;
    if (!WebPConfigInit(&config))
        throw base::Error(messages::webpWriteFailed(QStringLiteral("WebPConfigInit")));
    // The quality field's top value keeps every pixel; below it, the photo encoder at that quality.
    config.lossless = quality >= 100 ? 1 : 0;
    if (!config.lossless) config.quality = static_cast<float>(quality);
    if (!WebPValidateConfig(&config))
        throw base::Error(messages::webpWriteFailed(errorName(VP8_ENC_ERROR_INVALID_CONFIGURATION)));

    Encoding e;
    e.picture.width = bgr.width();
    e.picture.height = bgr.height();
    e.picture.use_argb = config.lossless;
    e.picture.writer = WebPMemoryWrite;
    e.picture.custom_ptr = &e.writer;
    if (!WebPPictureImportBGR(&e.picture, bgr.constScanLine(0), static_cast<int>(bgr.bytesPerLine())))
        throw base::Error(messages::outOfMemory());
    if (!WebPEncode(&config, &e.picture)) {
        if (e.picture.error_code == VP8_ENC_ERROR_OUT_OF_MEMORY) throw base::Error(messages::outOfMemory());
        throw base::Error(messages::webpWriteFailed(errorName(e.picture.error_code)));
    }
    return QByteArray(reinterpret_cast<const char*>(e.writer.mem), static_cast<qsizetype>(e.writer.size));
}

}  // namespace codecs::detail
