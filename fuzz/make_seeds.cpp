// fuzz_make_seeds OUT [CORPUS]: fills OUT/<target>/ with small valid files from our own writers and,
// when CORPUS is given, with its pictures of each reader's extension (up to 64 KiB each).
#include <cstdio>
#include <functional>

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"
#include "harness.h"
#include "heif_boxes.h"
#ifdef KADREL_SEED_ARRANGEMENTS
#include "collage/openraster.h"
#include "collage/piece_table.h"
#endif

namespace {

using codecs::Format;
using codectest::indexed;
using codectest::pattern;

constexpr qint64 kMaxSeedBytes = 64 * 1024;

QByteArray icon(int side) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    writer.write(pattern(side, side).convertToFormat(QImage::Format_ARGB32));
    return bytes;
}

bool put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Seed {
    const char* target;
    const char* name;
    QByteArray bytes;
};

QList<Seed> ownSeeds() {
    codecs::WriteOptions low;
    low.jpegQuality = 40;
    // Orientation and colour profiles in each format that carries them, so that the fuzzers
    // start inside libexif and lcms2 too.
    const QByteArray exif = QByteArray("Exif\0\0", 6) + codectest::exifOrientation(6);
    const QByteArray p3 = codectest::displayP3();
    QByteArray gammaZero = codectest::gammaProfile(2.2);
    // The three curves are one shared tag: its exponent, right after the type's first 12 bytes,
    // becomes 0.
    qsizetype curve = gammaZero.indexOf("para");
    if (curve < 0) curve = gammaZero.indexOf("curv");
    if (curve > 0) gammaZero.replace(curve + 12, 4, QByteArray(4, '\0'));
    QByteArray claimingScans = codectest::withScans(990, 16, 16);
    const qsizetype frame = codectest::findMarker(claimingScans, 0xC2);
    if (frame > 0) {
        codectest::put16be(claimingScans, frame + 5, 8192);
        codectest::put16be(claimingScans, frame + 7, 16384);
    }
    return {
        {"bmp", "rgb24-7x5.bmp", codecs::encode(pattern(7, 5), Format::Bmp)},
        {"bmp", "pal8-9x4.bmp", codecs::encode(indexed(9, 4, 16), Format::Bmp)},
        {"jpeg", "q100-16x16.jpg", codecs::encode(pattern(16, 16), Format::Jpeg)},
        {"jpeg", "q40-17x9.jpg", codecs::encode(pattern(17, 9), Format::Jpeg, low)},
        {"gif", "200-colours-10x6.gif", codecs::encode(indexed(10, 6, 200), Format::Gif)},
        {"gif", "5-colours-3x7.gif", codecs::encode(indexed(3, 7, 5), Format::Gif)},
        {"png", "rgb-7x5.png", codecs::encode(pattern(7, 5), Format::Png)},
        {"png", "pal-9x4.png", codecs::encode(indexed(9, 4, 16), Format::Png)},
        {"png", "exif-p3-7x5.png",
         codectest::withPngChunk(
             codectest::withPngChunk(codectest::pngWithoutSrgb(pattern(7, 5)), codectest::iccpChunk(p3)),
             codectest::pngChunk("eXIf", codectest::exifOrientation(8, false)))},
        {"jpeg", "exif-p3-16x8.jpg",
         codectest::jpegWithSegment(
             codectest::jpegWithProfile(codecs::encode(pattern(16, 8), Format::Jpeg), p3), 0xE1, exif)},
        {"webp", "lossless-7x5.webp", codecs::encode(pattern(7, 5), Format::Webp)},
        {"webp", "q40-17x9.webp", codecs::encode(pattern(17, 9), Format::Webp, low)},
        {"webp", "exif-p3-9x4.webp",
         codectest::webpWithChunks(codecs::encode(pattern(9, 4), Format::Webp), exif, p3)},
        {"heif", "9x7.heic", codectest::heifFile(pattern(9, 7), codectest::HeifKind::Heic)},
        {"heif", "p3-16x8.heic", codectest::heifFile(pattern(16, 8), codectest::HeifKind::Heic, p3)},
        {"heif", "9x7.avif", codectest::heifFile(pattern(9, 7), codectest::HeifKind::Avif)},
        // Derived pictures, alpha pictures and item locations, sound and hostile, so that the
        // fuzzer starts where the reader's own guards and libheif's drawing of them stand.
        {"heif", "grid-128x64.heic", codectest::derivedHeif(codectest::DerivedHeif::Grid)},
        {"heif", "overlay-160x80.heic", codectest::derivedHeif(codectest::DerivedHeif::Overlay)},
        {"heif", "identity-64x64.heic", codectest::derivedHeif(codectest::DerivedHeif::Identity)},
        {"heif", "alpha-64x64.heic", codectest::derivedHeif(codectest::DerivedHeif::WithAlpha)},
        {"heif", "layer-at-negative-offset.heic",
         codectest::hostileHeif(codectest::HostileHeif::LayerAtNegativeOffset)},
        {"heif", "layer-past-the-canvas.heic",
         codectest::hostileHeif(codectest::HostileHeif::LayerPastTheCanvas)},
        {"heif", "layer-with-alpha.heic", codectest::hostileHeif(codectest::HostileHeif::LayerWithAlpha)},
        {"heif", "alpha-is-huge-grid.heic", codectest::hostileHeif(codectest::HostileHeif::AlphaIsHugeGrid)},
        {"heif", "grid-of-huge-grid.heic", codectest::hostileHeif(codectest::HostileHeif::GridOfHugeGrid)},
        {"heif", "identity-of-huge-grid.heic",
         codectest::hostileHeif(codectest::HostileHeif::IdentityOfHugeGrid)},
        {"heif", "zero-size-extents.heic",
         codectest::hostileHeif(codectest::HostileHeif::FewZeroSizeExtents)},
        {"heif", "repeated-huge-tile.heic", codectest::hostileHeif(codectest::HostileHeif::RepeatedHugeTile)},
        {"heif", "layer-not-a-picture.heic",
         codectest::hostileHeif(codectest::HostileHeif::LayerNotAPicture)},
        {"heif", "reference-box-too-long.heic",
         codectest::hostileHeif(codectest::HostileHeif::ReferenceBoxTooLong)},
        {"heif", "located-twice.heic", codectest::hostileHeif(codectest::HostileHeif::LocatedTwice)},
        {"heif", "reference-loop.heic", codectest::hostileHeif(codectest::HostileHeif::ReferenceLoop)},
        // Hostile cases the readers refuse or pass over: profiles of the wrong colour space, of
        // nonsense numbers, claiming a huge table; palette indexes beyond the palette; two
        // profiles; a small frame on a huge animation canvas; many scans claiming a large picture.
        {"jpeg", "grey-profile-on-colour-16x8.jpg",
         codectest::jpegWithProfile(codecs::encode(pattern(16, 8), Format::Jpeg), codectest::greyProfile())},
        {"jpeg", "gamma-0-profile-16x8.jpg",
         codectest::jpegWithProfile(codecs::encode(pattern(16, 8), Format::Jpeg), gammaZero)},
        {"jpeg", "huge-table-profile-16x8.jpg",
         codectest::jpegWithProfile(codecs::encode(pattern(16, 8), Format::Jpeg),
                                    codectest::profileClaimingAHugeTable())},
        {"jpeg", "990-scans-claiming-16384x8192.jpg", claimingScans},
        {"png", "index-beyond-palette.png", codectest::palettePng({0, 1, 5, 1}, 8, 2, false, false)},
        {"png", "index-beyond-palette-interlaced-trns.png",
         codectest::palettePng({0, 1, 2, 9}, 8, 4, true, true)},
        {"png", "two-profiles-7x5.png",
         codectest::withPngChunk(codectest::withPngChunk(codectest::pngWithoutSrgb(pattern(7, 5)),
                                                         codectest::iccpChunk(QByteArray(600, 'x'))),
                                 codectest::iccpChunk(p3))},
        {"png", "gamma-0-profile-7x5.png",
         codectest::withPngChunk(codectest::pngWithoutSrgb(pattern(7, 5)), codectest::iccpChunk(gammaZero))},
        {"webp", "grey-profile-on-colour-9x4.webp",
         codectest::webpWithChunks(codecs::encode(pattern(9, 4), Format::Webp), QByteArray(),
                                   codectest::greyProfile())},
        {"webp", "8x8-frame-on-11585-squared-canvas.webp",
         codectest::webpAnimation(11585, 11585, {QRect(0, 0, 8, 8)})},
        {"webp", "two-frames-on-64x64-canvas.webp",
         codectest::webpAnimation(64, 64, {QRect(0, 0, 8, 8), QRect(40, 40, 24, 24)})},
        {"ico", "16x16.ico", icon(16)},
        {"ico", "5x5.ico", icon(5)},
    };
}

const char* targetOf(const QString& suffix) {
    if (suffix == u"bmp") return "bmp";
    if (suffix == u"jpg" || suffix == u"jpeg") return "jpeg";
    if (suffix == u"gif") return "gif";
    if (suffix == u"png") return "png";
    if (suffix == u"ico") return "ico";
    if (suffix == u"webp") return "webp";
    if (suffix == u"heic" || suffix == u"heif" || suffix == u"avif") return "heif";
    return nullptr;
}

#ifdef KADREL_SEED_ARRANGEMENTS
// Documents from our own writer: keys, a pasted piece, a tiled background, auto size on and off.
QList<Seed> arrangementSeeds() {
    const collage::Options options{false, false, 64};
    collage::PieceTable small(QSize(16, 16), true);
    collage::Piece a;
    a.picture = pattern(7, 5);
    a.pieceFile = QStringLiteral("a.png");
    small.add(a, options);
    collage::Piece b;
    b.picture = pattern(3, 9);
    b.thumbnail = pattern(4, 4);
    small.add(b, options);
    small.setTransparent(true);
    collage::PieceTable framed = small;
    framed.setAutoSize(false);
    framed.setCanvasWidth(30, options);
    framed.setBackground({base::rgb(1, 2, 3), pattern(3, 2)});
    framed.pick(0);
    return {
        {"ora", "empty.ora", collage::encodeOpenRaster(collage::PieceTable(QSize(4, 3), false))},
        {"ora", "two-keyed.ora", collage::encodeOpenRaster(small)},
        {"ora", "framed-tiled.ora", collage::encodeOpenRaster(framed)},
    };
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT [CORPUS]\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const char* target : {"bmp", "jpeg", "gif", "png", "ico", "webp", "heif", "load", "ora"})
        if (!out.mkpath(QString::fromLatin1(target))) return 1;

    int written = 0;
    auto add = [&](const char* target, const QString& name, const QByteArray& bytes) {
        if (!put(out.filePath(QStringLiteral("%1/%2").arg(QLatin1String(target), name)), bytes)) return false;
        const QString suffix = QFileInfo(name).suffix();
        QByteArray loader = bytes;
        loader.prepend(static_cast<char>(fuzz::selectorFor(u'.' + suffix)));
        ++written;
        return put(out.filePath(QStringLiteral("load/%1").arg(name)), loader);
    };
    for (const Seed& seed : ownSeeds())
        if (!add(seed.target, QString::fromLatin1(seed.name), seed.bytes)) return 1;
#ifdef KADREL_SEED_ARRANGEMENTS
    // Documents seed their own reader only: the loader does not take them.
    for (const Seed& seed : arrangementSeeds()) {
        if (!put(out.filePath(QStringLiteral("ora/%1").arg(QLatin1String(seed.name))), seed.bytes)) return 1;
        ++written;
    }
#endif

    if (argc > 2 && QFileInfo(QString::fromLocal8Bit(argv[2])).isDir()) {
        // Canonical, so that the names below it never start with "..".
        const QString root = QFileInfo(QString::fromLocal8Bit(argv[2])).canonicalFilePath();
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            const char* target = targetOf(info.suffix().toLower());
            if (!target || info.size() > kMaxSeedBytes) continue;
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly)) continue;
            // Folder names keep files of the same name from different suites apart.
            const QString name = QDir(root).relativeFilePath(info.filePath()).replace(u'/', u'_');
            if (!add(target, name, file.readAll())) return 1;
        }
    }
    std::printf("fuzz_make_seeds: %d seeds in %s\n", written, argv[1]);
    return 0;
}
