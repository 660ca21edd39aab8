#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <ostream>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <jpeglib.h>

#include "base/colour.h"
#include "base/error.h"
#include "codecs/codecs.h"

// Readable failure output for the texts the tests compare.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace codectest {

// A w × h BGR888 picture whose every pixel differs from its neighbours (a stress for lossless codecs).
QImage pattern(int w, int h);

// A smooth BGR888 picture (gradients), friendly to JPEG.
QImage smooth(int w, int h);

// An Indexed8 picture with `colours` palette entries, pixels cycling through them.
QImage indexed(int w, int h, int colours);

// Exact comparison of two 24-bit pictures.
bool sameBgr(const QImage& a, const QImage& b);

// Largest channel difference between two 24-bit pictures of the same size.
int maxDifference(const QImage& a, const QImage& b);

// Little-endian patching helpers for crafted files.
void put16(QByteArray& bytes, qsizetype at, std::uint32_t value);
void put32(QByteArray& bytes, qsizetype at, std::uint32_t value);
void put16be(QByteArray& bytes, qsizetype at, std::uint32_t value);
void put32be(QByteArray& bytes, qsizetype at, std::uint32_t value);

// Offset of the first occurrence of a two-byte JPEG marker (0xFF, code), or -1.
qsizetype findMarker(const QByteArray& jpeg, std::uint8_t code, qsizetype from = 0);

// Rewrites the CRC of the PNG chunk that starts (length field) at `at`.
void fixPngCrc(QByteArray& png, qsizetype at);

// The base::Error text a call throws, or "no error".
template <class F>
QString errorOf(F&& call) {
    try {
        call();
    } catch (const base::Error& e) {
        return e.text();
    }
    return QStringLiteral("no error");
}

// A HEIF file from libheif's own encoder: HEVC (a HEIC file) or AV1 (an AVIF file), at high
// quality, with an ICC profile in its colr box when one is given. Empty when the encoder fails.
enum class HeifKind { Heic, Avif };
QByteArray heifFile(const QImage& bgr, HeifKind kind, const QByteArray& iccProfile = {});

// Files with the chunks phones and browsers write.
// A TIFF block with one IFD holding the Exif orientation tag (SHORT), big- or little-endian.
QByteArray exifOrientation(int value, bool bigEndian = true);
// A PNG chunk with its length and checksum; a PNG with a chunk inserted before its image data.
QByteArray pngChunk(const char* type, const QByteArray& data);
QByteArray withPngChunk(QByteArray png, const QByteArray& chunk);
// Our writer's PNG without its sRGB chunk: libpng drops colour chunks that follow one.
QByteArray pngWithoutSrgb(const QImage& picture);
// An iCCP chunk holding the profile.
QByteArray iccpChunk(const QByteArray& profile);
// A JPEG with a segment (APPn marker code, payload) right after its start marker; with an
// ICC profile in one APP2 segment.
QByteArray jpegWithSegment(QByteArray jpeg, std::uint8_t marker, const QByteArray& payload);
QByteArray jpegWithProfile(const QByteArray& jpeg, const QByteArray& profile);
// A WebP file with EXIF and ICCP chunks (each left out when empty) added by libwebpmux.
QByteArray webpWithChunks(const QByteArray& webp, const QByteArray& exif, const QByteArray& icc);
// The bytes of an lcms2 profile, which this closes.
QByteArray savedProfile(void* profile);
// Display P3 as the phones describe it (DCI-P3 primaries, D65 white, the sRGB curve), by lcms2.
QByteArray displayP3();
// A grey profile of linear light (the D50 white): 128 becomes 188 in sRGB.
QByteArray greyProfile();
// sRGB's primaries and white with a pure power curve of `gamma`.
QByteArray gammaProfile(double gamma);

// An independent JPEG encoder straight on libjpeg, from rows of `components` samples each.
struct Encoding {
    J_COLOR_SPACE space = JCS_RGB;
    int components = 3;
    int quality = 100;
    bool progressive = false;
    bool arithmetic = false;
    bool adobeMarker = true;
    J_DCT_METHOD dct = JDCT_FLOAT;
};
QByteArray libjpegEncode(int w, int h, const std::vector<std::uint8_t>& samples, const Encoding& e);
std::vector<std::uint8_t> rgbSamples(const QImage& bgr);
// A progressive w × h file whose first scan (the DC values) is repeated until it holds `scans`.
QByteArray withScans(int scans, int w = 8, int h = 8);

// A palette PNG of one row: `colours` grey entries, the indices packed at `depth` bits,
// interlaced (the passes that touch row 0) or not, with a tRNS chunk when `alpha`.
QByteArray palettePng(const std::vector<int>& indices, int depth, int colours, bool interlaced, bool alpha);

// An animated WebP of plain frames (size and place on the canvas each), by libwebpmux; empty
// when libwebpmux refuses it.
QByteArray webpAnimation(int canvasWidth, int canvasHeight, const QList<QRect>& frames);

// 1.5 KB of ICC profile whose colour table claims 255 points a side in three dimensions.
QByteArray profileClaimingAHugeTable();

QByteArray bytesOf(std::initializer_list<int> values);
QByteArray bytesOf(const std::vector<int>& values);

}  // namespace codectest
