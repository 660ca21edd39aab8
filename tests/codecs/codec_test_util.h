#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QString>

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

QByteArray bytesOf(std::initializer_list<int> values);
QByteArray bytesOf(const std::vector<int>& values);

}  // namespace codectest
