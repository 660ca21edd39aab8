#include "codec_test_util.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <lcms2.h>
#include <libheif/heif.h>
#include <webp/mux.h>
#include <zlib.h>

#include "base/image.h"

namespace codectest {

QImage pattern(int w, int h) {
    QImage img = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(img, x, y,
                           base::rgb(static_cast<std::uint8_t>(x * 37 + y * 11),
                                     static_cast<std::uint8_t>(x * 5 + y * 71),
                                     static_cast<std::uint8_t>((x ^ y) * 13)));
    return img;
}

QImage smooth(int w, int h) {
    QImage img = base::makeBgr(w, h);
    const int dx = std::max(1, w - 1), dy = std::max(1, h - 1), dxy = std::max(1, w + h - 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(
                img, x, y,
                base::rgb(static_cast<std::uint8_t>(255 * x / dx), static_cast<std::uint8_t>(255 * y / dy),
                          static_cast<std::uint8_t>(255 * (x + y) / dxy)));
    return img;
}

QImage indexed(int w, int h, int colours) {
    QImage img(w, h, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i) table.append(qRgb((i * 53) & 255, (i * 101) & 255, (255 - i) & 255));
    img.setColorTable(table);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.scanLine(y)[x] = static_cast<uchar>((x + 3 * y) % colours);
    return img;
}

bool sameBgr(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != QImage::Format_BGR888 || b.format() != QImage::Format_BGR888)
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), 3 * static_cast<size_t>(a.width())) != 0)
            return false;
    return true;
}

int maxDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = b.constScanLine(y);
        for (int i = 0; i < 3 * a.width(); ++i) worst = std::max(worst, std::abs(p[i] - q[i]));
    }
    return worst;
}

void put16(QByteArray& bytes, qsizetype at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void put32(QByteArray& bytes, qsizetype at, std::uint32_t value) {
    put16(bytes, at, value & 0xFFFF);
    put16(bytes, at + 2, value >> 16);
}

void put16be(QByteArray& bytes, qsizetype at, std::uint32_t value) {
    bytes[at] = static_cast<char>((value >> 8) & 0xFF);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}

void put32be(QByteArray& bytes, qsizetype at, std::uint32_t value) {
    put16be(bytes, at, value >> 16);
    put16be(bytes, at + 2, value & 0xFFFF);
}

qsizetype findMarker(const QByteArray& jpeg, std::uint8_t code, qsizetype from) {
    const char pair[2] = {'\xFF', static_cast<char>(code)};
    return jpeg.indexOf(QByteArray(pair, 2), from);
}

void fixPngCrc(QByteArray& png, qsizetype at) {
    const auto* p = reinterpret_cast<const uchar*>(png.constData()) + at;
    const std::uint32_t length =
        std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
    const uLong crc = crc32(0L, p + 4, 4 + length);
    put32be(png, at + 8 + length, static_cast<std::uint32_t>(crc));
}

QByteArray bytesOf(std::initializer_list<int> values) {
    return bytesOf(std::vector<int>(values));
}

QByteArray bytesOf(const std::vector<int>& values) {
    QByteArray out;
    for (int v : values) out.append(static_cast<char>(v));
    return out;
}

namespace {

heif_error appendTo(heif_context*, const void* data, size_t size, void* out) {
    static_cast<QByteArray*>(out)->append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

}  // namespace

QByteArray heifFile(const QImage& bgr, HeifKind kind, const QByteArray& iccProfile) {
    heif_init(nullptr);
    heif_context* context = heif_context_alloc();
    heif_image* image = nullptr;
    heif_encoder* encoder = nullptr;
    heif_image_handle* handle = nullptr;
    QByteArray out;
    const int w = bgr.width(), h = bgr.height();
    bool ok = heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code ==
                  heif_error_Ok &&
              heif_image_add_plane(image, heif_channel_interleaved, w, h, 8).code == heif_error_Ok;
    if (ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uchar* from = bgr.constScanLine(y) + 3 * x;
                uint8_t* to = plane + stride * y + 3 * x;
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        if (!iccProfile.isEmpty())
            ok = heif_image_set_raw_color_profile(image, "prof", iccProfile.constData(),
                                                  static_cast<size_t>(iccProfile.size()))
                     .code == heif_error_Ok;
    }
    ok = ok && heif_context_get_encoder_for_format(
                   context, kind == HeifKind::Heic ? heif_compression_HEVC : heif_compression_AV1, &encoder)
                       .code == heif_error_Ok;
    ok = ok && heif_encoder_set_lossy_quality(encoder, 95).code == heif_error_Ok;
    ok = ok && heif_context_encode_image(context, image, encoder, nullptr, &handle).code == heif_error_Ok;
    heif_writer writer{1, appendTo};
    if (ok && heif_context_write(context, &writer, &out).code != heif_error_Ok) out.clear();
    if (handle) heif_image_handle_release(handle);
    if (encoder) heif_encoder_release(encoder);
    if (image) heif_image_release(image);
    heif_context_free(context);
    heif_deinit();
    return ok ? out : QByteArray();
}

// A TIFF block with one IFD holding the orientation tag (type SHORT), big- or little-endian.
QByteArray exifOrientation(int value, bool bigEndian) {
    QByteArray b = bigEndian ? QByteArray("MM\0*", 4) : QByteArray("II*\0", 4);
    auto put16 = [&](std::uint32_t v) {
        if (bigEndian)
            b.append(static_cast<char>(v >> 8)).append(static_cast<char>(v));
        else
            b.append(static_cast<char>(v)).append(static_cast<char>(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        if (bigEndian) {
            put16(v >> 16);
            put16(v & 0xFFFF);
        } else {
            put16(v & 0xFFFF);
            put16(v >> 16);
        }
    };
    put32(8);  // first IFD
    put16(1);  // one entry
    put16(0x0112);
    put16(3);  // SHORT
    put32(1);
    put16(static_cast<std::uint32_t>(value));
    put16(0);
    put32(0);  // no next IFD
    return b;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk(4, '\0');
    codectest::put32be(chunk, 0, static_cast<std::uint32_t>(data.size()));
    chunk.append(type, 4).append(data);
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(chunk.constData() + 4), static_cast<uInt>(data.size() + 4));
    QByteArray tail(4, '\0');
    codectest::put32be(tail, 0, static_cast<std::uint32_t>(crc));
    return chunk.append(tail);
}

// Our writer's PNG without its sRGB chunk: libpng drops colour chunks that follow one.
QByteArray pngWithoutSrgb(const QImage& picture) {
    QByteArray png = codecs::encode(picture, codecs::Format::Png);
    const qsizetype srgb = png.indexOf("sRGB") - 4;
    return srgb > 0 ? png.remove(srgb, 13) : png;
}

// The chunk goes right before the image data, where colour chunks must be.
QByteArray withPngChunk(QByteArray png, const QByteArray& chunk) {
    return png.insert(png.indexOf("IDAT") - 4, chunk);
}

QByteArray iccpChunk(const QByteArray& profile) {
    QByteArray packed(static_cast<qsizetype>(compressBound(static_cast<uLong>(profile.size()))), '\0');
    uLongf size = static_cast<uLongf>(packed.size());
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(profile.constData()), static_cast<uLong>(profile.size()));
    packed.resize(static_cast<qsizetype>(size));
    return pngChunk("iCCP", QByteArray("P3\0\0", 4) + packed);
}

QByteArray jpegWithSegment(QByteArray jpeg, std::uint8_t marker, const QByteArray& payload) {
    QByteArray segment(4, '\0');
    segment[0] = static_cast<char>(0xFF);
    segment[1] = static_cast<char>(marker);
    codectest::put16be(segment, 2, static_cast<std::uint32_t>(payload.size() + 2));
    return jpeg.insert(2, segment + payload);
}

QByteArray jpegWithProfile(const QByteArray& jpeg, const QByteArray& profile) {
    return jpegWithSegment(jpeg, 0xE2, QByteArray("ICC_PROFILE\0\1\1", 14) + profile);
}

QByteArray webpWithChunks(const QByteArray& webp, const QByteArray& exif, const QByteArray& icc) {
    WebPMux* mux = WebPMuxNew();
    const WebPData image{reinterpret_cast<const uint8_t*>(webp.constData()),
                         static_cast<size_t>(webp.size())};
    WebPMuxSetImage(mux, &image, 1);
    const WebPData e{reinterpret_cast<const uint8_t*>(exif.constData()), static_cast<size_t>(exif.size())};
    const WebPData i{reinterpret_cast<const uint8_t*>(icc.constData()), static_cast<size_t>(icc.size())};
    if (!exif.isEmpty()) WebPMuxSetChunk(mux, "EXIF", &e, 1);
    if (!icc.isEmpty()) WebPMuxSetChunk(mux, "ICCP", &i, 1);
    WebPData out;
    WebPDataInit(&out);
    WebPMuxAssemble(mux, &out);
    QByteArray bytes(reinterpret_cast<const char*>(out.bytes), static_cast<qsizetype>(out.size));
    WebPDataClear(&out);
    WebPMuxDelete(mux);
    return bytes;
}

QByteArray savedProfile(cmsHPROFILE p) {  // cmsHPROFILE is void*
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(p, nullptr, &size);
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    cmsSaveProfileToMem(p, bytes.data(), &size);
    cmsCloseProfile(p);
    return bytes;
}

// Display P3 as the phones describe it: DCI-P3 primaries, D65 white, the sRGB curve.
QByteArray displayP3() {
    const cmsCIExyY white{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const double curve[] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* c = cmsBuildParametricToneCurve(nullptr, 4, curve);
    cmsToneCurve* curves[3] = {c, c, c};
    const QByteArray bytes = savedProfile(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(c);
    return bytes;
}

QByteArray gammaProfile(double gamma) {
    const cmsCIExyY white{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* c = cmsBuildGamma(nullptr, gamma);
    cmsToneCurve* curves[3] = {c, c, c};
    const QByteArray bytes = savedProfile(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(c);
    return bytes;
}

QByteArray greyProfile() {
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    const QByteArray bytes = savedProfile(cmsCreateGrayProfile(cmsD50_xyY(), linear));
    cmsFreeToneCurve(linear);
    return bytes;
}

QByteArray libjpegEncode(int w, int h, const std::vector<std::uint8_t>& samples, const Encoding& e) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(w);
    info.image_height = static_cast<JDIMENSION>(h);
    info.input_components = e.components;
    info.in_color_space = e.space;
    jpeg_set_defaults(&info);
    info.dct_method = e.dct;
    jpeg_set_quality(&info, e.quality, TRUE);
    if (e.progressive) jpeg_simple_progression(&info);
    info.arith_code = e.arithmetic ? TRUE : FALSE;
    if (e.components == 4) info.write_Adobe_marker = e.adobeMarker ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(samples.data() + static_cast<size_t>(e.components) * w * info.next_scanline);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    jpeg_destroy_compress(&info);
    return out;
}

std::vector<std::uint8_t> rgbSamples(const QImage& bgr) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < bgr.height(); ++y)
        for (int x = 0; x < bgr.width(); ++x) {
            const base::Colour c = base::pixelAt(bgr, x, y);
            out.insert(out.end(), {base::red(c), base::green(c), base::blue(c)});
        }
    return out;
}

QByteArray withScans(int scans, int w, int h) {
    const QImage picture = codectest::smooth(w, h);
    Encoding e;
    e.progressive = true;
    const QByteArray base = libjpegEncode(w, h, rgbSamples(picture), e);
    int present = 0;
    for (qsizetype at = codectest::findMarker(base, 0xDA); at >= 0;
         at = codectest::findMarker(base, 0xDA, at + 2))
        ++present;
    const qsizetype first = codectest::findMarker(base, 0xDA);
    qsizetype next = codectest::findMarker(base, 0xDA, first + 2);
    const qsizetype table = codectest::findMarker(base, 0xC4, first + 2);
    if (table > 0 && table < next) next = table;
    const QByteArray scan = base.mid(first, next - first);
    QByteArray out = base.left(next);
    for (int i = present; i < scans; ++i) out.append(scan);
    out.append(base.mid(next));
    return out;
}

QByteArray palettePng(const std::vector<int>& indices, int depth, int colours, bool interlaced, bool alpha) {
    const int width = static_cast<int>(indices.size());
    QByteArray header(13, '\0');
    codectest::put32be(header, 0, static_cast<std::uint32_t>(width));
    codectest::put32be(header, 4, 1);
    header[8] = static_cast<char>(depth);
    header[9] = 3;
    header[12] = interlaced ? 1 : 0;
    QByteArray palette;
    for (int i = 0; i < colours; ++i)
        palette.append(3, static_cast<char>(i * 255 / std::max(colours - 1, 1)));
    auto packed = [&](int first, int step) {
        QByteArray row(1, '\0');  // filter: none
        int bits = 0;
        for (int x = first; x < width; x += step, bits += depth) {
            if (bits % 8 == 0) row.append('\0');
            row[row.size() - 1] = static_cast<char>(row.back() | (indices[x] << (8 - depth - bits % 8)));
        }
        return bits ? row : QByteArray();
    };
    QByteArray raw;
    if (!interlaced)
        raw = packed(0, 1);
    else
        for (const auto& [first, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            raw += packed(first, step);
    QByteArray data(static_cast<qsizetype>(compressBound(static_cast<uLong>(raw.size()))), '\0');
    uLongf size = static_cast<uLongf>(data.size());
    compress(reinterpret_cast<Bytef*>(data.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
             static_cast<uLong>(raw.size()));
    data.resize(static_cast<qsizetype>(size));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + codectest::pngChunk("IHDR", header) +
           codectest::pngChunk("PLTE", palette) +
           (alpha ? codectest::pngChunk("tRNS", QByteArray(1, '\x80')) : QByteArray()) +
           codectest::pngChunk("IDAT", data) + codectest::pngChunk("IEND", QByteArray());
}

QByteArray webpAnimation(int canvasWidth, int canvasHeight, const QList<QRect>& frames) {
    WebPMux* mux = WebPMuxNew();
    QList<QByteArray> stills;
    for (const QRect& r : frames) {
        stills.append(codecs::encode(base::makeBgr(r.width(), r.height(), base::rgb(200, 100, 50)),
                                     codecs::Format::Webp));
        WebPMuxFrameInfo frame{};
        frame.bitstream = {reinterpret_cast<const std::uint8_t*>(stills.back().constData()),
                           static_cast<std::size_t>(stills.back().size())};
        frame.x_offset = r.x();
        frame.y_offset = r.y();
        frame.duration = 100;
        frame.id = WEBP_CHUNK_ANMF;
        frame.dispose_method = WEBP_MUX_DISPOSE_NONE;
        frame.blend_method = WEBP_MUX_NO_BLEND;
        WebPMuxPushFrame(mux, &frame, 1);
    }
    const WebPMuxAnimParams params{0, 0};
    WebPMuxSetAnimationParams(mux, &params);
    WebPMuxSetCanvasSize(mux, canvasWidth, canvasHeight);
    WebPData out;
    WebPDataInit(&out);
    const WebPMuxError assembled = WebPMuxAssemble(mux, &out);
    QByteArray bytes(reinterpret_cast<const char*>(out.bytes), static_cast<qsizetype>(out.size));
    WebPDataClear(&out);
    WebPMuxDelete(mux);
    return assembled == WEBP_MUX_OK ? bytes : QByteArray();
}

QByteArray profileClaimingAHugeTable() {
    QByteArray p(1536, '\0');
    codectest::put32be(p, 0, 1536);
    p.replace(12, 12, "mntrRGB XYZ ");
    codectest::put32be(p, 8, 0x02100000);
    p.replace(36, 4, "acsp");
    codectest::put32be(p, 68, 0xF6D6);
    codectest::put32be(p, 72, 0x10000);
    codectest::put32be(p, 76, 0xD32D);
    codectest::put32be(p, 128, 1);
    p.replace(132, 4, "A2B0");
    codectest::put32be(p, 136, 144);
    codectest::put32be(p, 140, 1536 - 144);
    p.replace(144, 4, "mft2");
    p[152] = 3;                                                                // inputs
    p[153] = 3;                                                                // outputs
    p[154] = static_cast<char>(255);                                           // points a side
    for (int i = 0; i < 3; ++i) codectest::put32be(p, 156 + 16 * i, 0x10000);  // identity matrix
    codectest::put16be(p, 192, 2);                                             // input table entries
    codectest::put16be(p, 194, 2);                                             // output table entries
    return p;
}

}  // namespace codectest
