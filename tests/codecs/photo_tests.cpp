#include <gtest/gtest.h>

#include <webp/encode.h>
#include <webp/mux.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTransform>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"

using codecs::Format;
using codectest::displayP3;
using codectest::errorOf;
using codectest::exifOrientation;
using codectest::iccpChunk;
using codectest::jpegWithProfile;
using codectest::jpegWithSegment;
using codectest::maxDifference;
using codectest::pngChunk;
using codectest::pngWithoutSrgb;
using codectest::sameBgr;
using codectest::webpWithChunks;
using codectest::withPngChunk;

namespace {

// Pure red and a mid orange in Display P3, and what lcms2 (perceptual; the matrix profiles fall
// back to colorimetric) makes of them in sRGB. Red lies outside sRGB and clips to sRGB's red;
// the orange moves, so a reader that ignores the profile fails here.
QImage p3Sample(int w, int h) {
    QImage picture = base::makeBgr(w, h, base::rgb(255, 0, 0));
    for (int y = h / 2; y < h; ++y)
        for (int x = 0; x < w; ++x) base::setPixel(picture, x, y, base::rgb(128, 64, 32));
    return picture;
}
const base::Colour kP3RedInSrgb = base::rgb(255, 0, 0);
const base::Colour kP3OrangeInSrgb = base::rgb(138, 59, 21);

int channelDistance(base::Colour a, base::Colour b) {
    return std::max({std::abs(base::red(a) - base::red(b)), std::abs(base::green(a) - base::green(b)),
                     std::abs(base::blue(a) - base::blue(b))});
}

void expectP3Converted(const QImage& decoded, int tolerance, const char* what) {
    ASSERT_FALSE(decoded.isNull()) << what;
    const int w = decoded.width(), h = decoded.height();
    EXPECT_LE(channelDistance(base::pixelAt(decoded, w / 2, h / 4), kP3RedInSrgb), tolerance) << what;
    EXPECT_LE(channelDistance(base::pixelAt(decoded, w / 2, 3 * h / 4), kP3OrangeInSrgb), tolerance) << what;
}

// What a camera stores for orientation k when `upright` is the scene: the reader must undo it.
QImage storedAs(const QImage& upright, int k) {
    const auto turned = [&](int degrees) { return upright.transformed(QTransform().rotate(degrees)); };
    QImage s;
    switch (k) {
        case 2:
            s = upright.mirrored(true, false);
            break;
        case 3:
            s = turned(180);
            break;
        case 4:
            s = upright.mirrored(false, true);
            break;
        case 5:
            s = turned(90).mirrored(true, false);
            break;
        case 6:
            s = turned(270);
            break;
        case 7:
            s = turned(270).mirrored(true, false);
            break;
        case 8:
            s = turned(90);
            break;
        default:
            s = upright;
            break;
    }
    return base::toBgr(s);
}

// ---- Orientation ----

TEST(Orientation, EightCasesGiveTheSameUprightPixels) {
    const QImage upright = codectest::pattern(6, 4);
    const QImage smooth = codectest::smooth(32, 16);
    for (int k = 1; k <= 8; ++k) {
        const QImage stored = storedAs(upright, k);
        ASSERT_EQ(stored.size(), k >= 5 ? QSize(4, 6) : QSize(6, 4)) << k;

        const QByteArray png =
            withPngChunk(codecs::encode(stored, Format::Png), pngChunk("eXIf", exifOrientation(k)));
        EXPECT_TRUE(sameBgr(codecs::decode(png, Format::Png), upright)) << "PNG eXIf, orientation " << k;

        // WebP: lossless at quality 100; the Exif block little-endian and with its "Exif" header.
        const QByteArray exifHeader("Exif\0\0", 6);
        const QByteArray webp = webpWithChunks(codecs::encode(stored, Format::Webp),
                                               exifHeader + exifOrientation(k, false), QByteArray());
        EXPECT_TRUE(sameBgr(codecs::decode(webp, Format::Webp), upright)) << "WebP EXIF, orientation " << k;

        const QByteArray jpeg = jpegWithSegment(codecs::encode(storedAs(smooth, k), Format::Jpeg), 0xE1,
                                                exifHeader + exifOrientation(k));
        const QImage decoded = codecs::decode(jpeg, Format::Jpeg);
        ASSERT_EQ(decoded.size(), smooth.size()) << "JPEG APP1, orientation " << k;
        EXPECT_LE(maxDifference(decoded, smooth), 10) << "JPEG APP1, orientation " << k;
    }
}

TEST(Orientation, DamagedOrAbsurdExifIsIgnoredAndThePictureReadAsStored) {
    const QImage stored = codectest::pattern(6, 4);
    QByteArray outside = exifOrientation(6);
    codectest::put32be(outside, 4, 0x7FFFFFF0);  // the first IFD far outside the block
    QByteArray valueOutside = exifOrientation(6);
    codectest::put32be(valueOutside, 14, 1000);  // 1000 values: an offset, pointing outside
    QByteArray asLong = exifOrientation(6);
    codectest::put16be(asLong, 12, 4);  // LONG is not the tag's type
    const QList<std::pair<const char*, QByteArray>> cases = {
        {"IFD outside", outside},
        {"values outside the block", valueOutside},
        {"wrong type", asLong},
        {"orientation 0", exifOrientation(0)},
        {"orientation 9", exifOrientation(9)},
        {"orientation 65535", exifOrientation(65535)},
        {"cut after the header", exifOrientation(6).left(10)},
        {"not TIFF at all", QByteArray(40, 'x')},
    };
    for (const auto& [what, exif] : cases) {
        const QByteArray png = withPngChunk(codecs::encode(stored, Format::Png), pngChunk("eXIf", exif));
        QImage decoded;
        EXPECT_EQ(errorOf([&] { decoded = codecs::decode(png, Format::Png); }), QStringLiteral("no error"))
            << what;
        EXPECT_TRUE(sameBgr(decoded, stored)) << what;
        const QByteArray jpeg = jpegWithSegment(codecs::encode(codectest::smooth(16, 8), Format::Jpeg), 0xE1,
                                                QByteArray("Exif\0\0", 6) + exif);
        EXPECT_EQ(codecs::decode(jpeg, Format::Jpeg).size(), QSize(16, 8)) << what;
    }
}

// ---- Colour ----

TEST(Colour, DisplayP3BecomesTheSrgbValuesLcms2Gives) {
    const QByteArray p3 = displayP3();
    const QImage sample = p3Sample(16, 16);
    const QImage png = codecs::decode(withPngChunk(pngWithoutSrgb(sample), iccpChunk(p3)), Format::Png);
    expectP3Converted(png, 0, "PNG iCCP");
    expectP3Converted(codecs::decode(jpegWithProfile(codecs::encode(sample, Format::Jpeg), p3), Format::Jpeg),
                      3, "JPEG APP2");
    expectP3Converted(
        codecs::decode(webpWithChunks(codecs::encode(sample, Format::Webp), QByteArray(), p3), Format::Webp),
        0, "WebP ICCP");
    const QByteArray heic = codectest::heifFile(sample, codectest::HeifKind::Heic, p3);
    ASSERT_FALSE(heic.isEmpty());
    expectP3Converted(codecs::decode(heic, Format::Heif), 4, "HEIC colr");
    // Without a profile the same bytes are taken as sRGB, unchanged.
    EXPECT_TRUE(sameBgr(codecs::decode(codecs::encode(sample, Format::Png), Format::Png), sample));
}

TEST(Colour, PngGammaAndChromaticitiesWithoutAProfileAreConverted) {
    const QImage grey = base::makeBgr(4, 2, base::rgb(128, 128, 128));
    const QByteArray plain = codecs::encode(grey, Format::Png);
    auto gama = [](std::uint32_t g) {
        QByteArray v(4, '\0');
        codectest::put32be(v, 0, g);
        return pngChunk("gAMA", v);
    };
    auto pixel = [](const QByteArray& png) { return base::pixelAt(codecs::decode(png, Format::Png), 1, 1); };
    // The program's own files say sRGB; these are made without that chunk.
    const QByteArray bare = pngWithoutSrgb(grey);

    // Linear light (gamma 1.0): lcms2 gives 188 for 128.
    EXPECT_EQ(pixel(withPngChunk(bare, gama(100000))), base::rgb(188, 188, 188));
    // 1/2.2 alone is what most writers mean by sRGB: unchanged.
    EXPECT_EQ(pixel(withPngChunk(bare, gama(45455))), base::rgb(128, 128, 128));
    // An sRGB chunk outranks the gamma.
    EXPECT_EQ(pixel(withPngChunk(plain, gama(100000))), base::rgb(128, 128, 128));
    // Display P3's primaries in cHRM, no gAMA: the sRGB curve with those primaries.
    QByteArray chrm(32, '\0');
    const std::uint32_t p3[] = {31270, 32900, 68000, 32000, 26500, 69000, 15000, 6000};
    for (int i = 0; i < 8; ++i) codectest::put32be(chrm, 4 * i, p3[i]);
    const QImage orange = base::makeBgr(2, 2, base::rgb(128, 64, 32));
    const QByteArray bareOrange = pngWithoutSrgb(orange);
    EXPECT_EQ(
        base::pixelAt(codecs::decode(withPngChunk(bareOrange, pngChunk("cHRM", chrm)), Format::Png), 0, 0),
        kP3OrangeInSrgb);
}

TEST(Colour, ProfilesLcms2RefusesAreIgnoredAndThePictureTakenAsSrgb) {
    const QImage sample = p3Sample(8, 8);
    QByteArray hugeClaim = displayP3();
    codectest::put32be(hugeClaim, 0, 200u << 20);  // the header claims 200 MB
    QByteArray manyTags = displayP3();
    codectest::put32be(manyTags, 128, 0x7FFFFFFF);  // the tag count
    QByteArray tagsOutside = displayP3();
    for (qsizetype at = 132; at + 12 <= 132 + 12 * 4; at += 12)
        codectest::put32be(tagsOutside, at + 4, 0x7FFFFF00);
    const QList<std::pair<const char*, QByteArray>> cases = {
        {"200 MB claimed", hugeClaim},
        {"2^31 tags", manyTags},
        {"tags outside the profile", tagsOutside},
        {"cut to its header", displayP3().left(128)},
        {"not a profile", QByteArray(600, 'x')},
    };
    for (const auto& [what, profile] : cases) {
        for (Format f : {Format::Png, Format::Jpeg, Format::Webp}) {
            QByteArray file = codecs::encode(sample, f);
            if (f == Format::Png) file = withPngChunk(pngWithoutSrgb(sample), iccpChunk(profile));
            if (f == Format::Jpeg) file = jpegWithProfile(file, profile);
            if (f == Format::Webp) file = webpWithChunks(file, QByteArray(), profile);
            QImage decoded;
            EXPECT_EQ(errorOf([&] { decoded = codecs::decode(file, f); }), QStringLiteral("no error"))
                << what;
            EXPECT_EQ(decoded.size(), sample.size()) << what;
        }
    }
    // A profile lcms2 refuses leaves the colours as they are.
    const QByteArray refused = withPngChunk(pngWithoutSrgb(sample), iccpChunk(manyTags));
    EXPECT_TRUE(sameBgr(codecs::decode(refused, Format::Png), sample));
}

TEST(Colour, WrittenPngSaysItIsSrgb) {
    const QByteArray png = codecs::encode(codectest::pattern(3, 3), Format::Png);
    const qsizetype srgb = png.indexOf("sRGB");
    ASSERT_GT(srgb, 0);
    EXPECT_LT(srgb, png.indexOf("IDAT"));
    EXPECT_EQ(png.mid(srgb - 4, 4), QByteArray("\0\0\0\1", 4));
}

// ---- Formats ----

TEST(Formats, NewExtensionsPickTheirReaders) {
    EXPECT_EQ(codecs::pieceFormat(QStringLiteral("a.webp")), Format::Webp);
    EXPECT_EQ(codecs::pieceFormat(QStringLiteral("a.WEBP")), Format::Webp);
    for (const char* name : {"a.heic", "a.HEIC", "a.heif", "a.HEIF", "a.avif", "a.AVIF"})
        EXPECT_EQ(codecs::pieceFormat(QString::fromLatin1(name)), Format::Heif) << name;
    // Pieces take the exact forms only; every other name is still JPEG.
    for (const char* name : {"a.WebP", "a.Heic", "a.aviF", "webp", "a.webp.txt"})
        EXPECT_EQ(codecs::pieceFormat(QString::fromLatin1(name)), Format::Jpeg) << name;
    // Backgrounds and the editor take any case.
    EXPECT_EQ(codecs::formatByExtension(QStringLiteral("a.WebP")), Format::Webp);
    EXPECT_EQ(codecs::formatByExtension(QStringLiteral("a.Avif")), Format::Heif);
    EXPECT_EQ(codecs::formatByExtension(QStringLiteral("a.hEiC")), Format::Heif);
}

TEST(Formats, WebpHeicAndAvifPiecesLoadWithTheirSizes) {
    QTemporaryDir dir;
    const QImage picture = codectest::smooth(33, 21);
    const QList<std::pair<QString, QByteArray>> files = {
        {QStringLiteral("photo.webp"), codecs::encode(picture, Format::Webp)},
        {QStringLiteral("photo.WEBP"), codecs::encode(picture, Format::Webp)},
        {QStringLiteral("photo.heic"), codectest::heifFile(picture, codectest::HeifKind::Heic)},
        {QStringLiteral("photo.AVIF"), codectest::heifFile(picture, codectest::HeifKind::Avif)},
    };
    for (const auto& [name, bytes] : files) {
        ASSERT_FALSE(bytes.isEmpty()) << name.toStdString();
        const QString path = dir.filePath(name);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        const QImage read = codecs::readFile(path, codecs::pieceFormat(path));
        EXPECT_EQ(read.size(), QSize(33, 21)) << name.toStdString();
        EXPECT_LE(maxDifference(read, picture), 12) << name.toStdString();
    }
}

TEST(Formats, WebpSavedAndReadBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("joined.webp"));
    const QImage picture = codectest::pattern(40, 30);
    codecs::writeFile(path, picture, Format::Webp);
    EXPECT_TRUE(sameBgr(codecs::readFile(path, Format::Webp), picture)) << "quality 100 is lossless";

    codecs::WriteOptions lossy;
    lossy.jpegQuality = 80;
    const QImage smooth = codectest::smooth(64, 48);
    codecs::writeFile(path, smooth, Format::Webp, lossy);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_GT(bytes.indexOf("VP8 "), 0) << "below 100 the lossy coder";
    const QImage read = codecs::readFile(path, Format::Webp);
    EXPECT_EQ(read.size(), smooth.size());
    EXPECT_LE(maxDifference(read, smooth), 24);
}

TEST(Formats, WebpAlphaIsDrawnOverBlackExactlyAsPngAlphaIs) {
    QImage argb(3, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(200, 100, 50, 128));
    argb.setPixel(1, 0, qRgba(255, 255, 255, 0));
    argb.setPixel(2, 0, qRgba(10, 20, 30, 255));
    uint8_t* out = nullptr;
    const size_t size =
        WebPEncodeLosslessBGRA(argb.constBits(), 3, 1, static_cast<int>(argb.bytesPerLine()), &out);
    ASSERT_GT(size, 0u);
    const QByteArray webp(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    WebPFree(out);
    const QImage fromWebp = codecs::decode(webp, Format::Webp);
    EXPECT_EQ(base::pixelAt(fromWebp, 0, 0), base::rgb(100, 50, 25));
    EXPECT_EQ(base::pixelAt(fromWebp, 1, 0), base::rgb(0, 0, 0));
    EXPECT_EQ(base::pixelAt(fromWebp, 2, 0), base::rgb(10, 20, 30));
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(argb.save(&buffer, "PNG"));
    }
    EXPECT_TRUE(sameBgr(fromWebp, codecs::decode(png, Format::Png)));
}

TEST(Formats, AnimatedWebpGivesItsFirstFrame) {
    WebPAnimEncoderOptions options;
    ASSERT_TRUE(WebPAnimEncoderOptionsInit(&options));
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(8, 6, &options);
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = 1;
    int timestamp = 0;
    for (base::Colour c : {base::rgb(255, 0, 0), base::rgb(0, 0, 255)}) {
        const QImage frame = base::makeBgr(8, 6, c);
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.width = 8;
        picture.height = 6;
        picture.use_argb = 1;
        WebPPictureImportBGR(&picture, frame.constBits(), static_cast<int>(frame.bytesPerLine()));
        WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
        WebPPictureFree(&picture);
        timestamp += 100;
    }
    WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
    WebPData data;
    WebPDataInit(&data);
    ASSERT_TRUE(WebPAnimEncoderAssemble(encoder, &data));
    const QByteArray webp(reinterpret_cast<const char*>(data.bytes), static_cast<qsizetype>(data.size));
    WebPDataClear(&data);
    WebPAnimEncoderDelete(encoder);
    ASSERT_GT(webp.indexOf("ANIM"), 0);
    EXPECT_TRUE(sameBgr(codecs::decode(webp, Format::Webp), base::makeBgr(8, 6, base::rgb(255, 0, 0))));
}

// An animation's canvas costs its decoding whatever the frames hold: a large canvas whose frames
// cover a small part of it is refused at once; small canvases, and frames spread over a large
// one, load.
TEST(PhotoBadInput, AnimationFramesFarSmallerThanTheirCanvasAreRefused) {
    struct Case {
        int width, height;
        QList<QRect> frames;
        bool loads;
    };
    const Case cases[] = {
        {11585, 11585, {QRect(0, 0, 8, 8)}, false},
        {11585, 11585, {QRect(4000, 4000, 8, 8), QRect(6000, 6000, 8, 8)}, false},
        {4200, 4200, {QRect(0, 0, 1000, 1000)}, false},
        {4200, 4200, {QRect(0, 0, 8, 8), QRect(4192, 4192, 8, 8)}, true},
        {64, 64, {QRect(10, 10, 8, 8)}, true},
    };
    for (const Case& c : cases) {
        const QByteArray file = codectest::webpAnimation(c.width, c.height, c.frames);
        ASSERT_FALSE(file.isEmpty());
        QElapsedTimer clock;
        clock.start();
        const QString error = errorOf([&] { codecs::decode(file, Format::Webp); });
        if (c.loads) {
            EXPECT_EQ(error, QStringLiteral("no error")) << c.width;
            continue;
        }
        EXPECT_LT(clock.elapsed(), 1000) << c.width;
        QRect all;
        for (const QRect& r : c.frames) all |= r;
        EXPECT_EQ(error, QStringLiteral(
                             "画像を読めません: WebP ファイルが壊れています (アニメーションの画面 %1 × %2 "
                             "に対し、フレームは %3 × %4 の範囲にしかありません)")
                             .arg(c.width)
                             .arg(c.height)
                             .arg(all.width())
                             .arg(all.height()));
    }
    // The file of the first case is a few dozen bytes: the canvas is only a claim.
    EXPECT_LT(codectest::webpAnimation(11585, 11585, {QRect(0, 0, 8, 8)}).size(), 200);
}

TEST(Formats, WritersRefuseWhatTheyCannotWrite) {
    EXPECT_EQ(
        errorOf([] { codecs::encode(base::makeBgr(16384, 1), Format::Webp); }),
        QStringLiteral(
            "画像を書き出せません: WebP に書き出せるのは縦横とも 16383 ピクセルまでの画像です (この画像は "
            "16384 × 1)"));
    EXPECT_EQ(errorOf([] { codecs::encode(base::makeBgr(4, 4), Format::Heif); }),
              QStringLiteral("画像を書き出せません: HEIF/AVIF 形式には書き出せません"));
}

// ---- Bad input beyond the shared cases ----

TEST(PhotoBadInput, HeifClaiming100000SquaredIsRefusedWithAMessage) {
    QByteArray heic = codectest::heifFile(codectest::pattern(24, 16), codectest::HeifKind::Heic);
    ASSERT_FALSE(heic.isEmpty());
    for (qsizetype at = heic.indexOf("ispe"); at > 0; at = heic.indexOf("ispe", at + 1)) {
        codectest::put32be(heic, at + 8, 100000);
        codectest::put32be(heic, at + 12, 100000);
    }
    const QString text = errorOf([&] { codecs::decode(heic, Format::Heif); });
    // Refused by the budget before libheif's own limit on sides is reached, with the budget's words.
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("画像を読めません: 画像が大きすぎるか空です (100000 × 100000)")))
        << text.toStdString();
}

TEST(PhotoBadInput, HeifGridWhoseCanvasIsBeyondTheBudgetIsRefusedBeforeLibheifAllocatesIt) {
    // libheif's encoder writes a grid of one tile; its description (in the idat box) gives the
    // canvas size, which libheif would allocate unchecked.
    QByteArray heic = codectest::heifFile(codectest::pattern(24, 16), codectest::HeifKind::Heic);
    const qsizetype idat = heic.indexOf("idat");
    ASSERT_GT(idat, 0);
    ASSERT_EQ(heic.mid(idat + 4, 8), QByteArray("\0\0\0\0\0\x18\0\x10", 8));
    codectest::put16be(heic, idat + 8, 30000);
    codectest::put16be(heic, idat + 10, 30000);
    const QString text = errorOf([&] { codecs::decode(heic, Format::Heif); });
    EXPECT_TRUE(text.startsWith(QStringLiteral("画像を読めません: 画像が大きすぎるか空です (30000 × 30000)")))
        << text.toStdString();
}

TEST(PhotoBadInput, AvifCutShortOrFlippedIsRefusedOrHarmless) {
    const QByteArray avif = codectest::heifFile(codectest::pattern(24, 16), codectest::HeifKind::Avif);
    ASSERT_FALSE(avif.isEmpty());
    for (qsizetype keep : {avif.size() - 1, avif.size() / 2, qsizetype{40}, qsizetype{8}}) {
        const QString text = errorOf([&] { codecs::decode(avif.left(keep), Format::Heif); });
        EXPECT_TRUE(text.startsWith(QStringLiteral("画像を読めません: HEIF/AVIF ファイルが")))
            << keep << ": " << text.toStdString();
    }
    std::uint32_t seed = 7;
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes = avif;
        seed = seed * 1103515245u + 12345u;
        const auto at = static_cast<qsizetype>((seed >> 8) % static_cast<std::uint32_t>(bytes.size()));
        bytes[at] = static_cast<char>(bytes[at] ^ static_cast<char>(1u << (seed % 8)));
        try {
            const QImage picture = codecs::decode(bytes, Format::Heif);
            EXPECT_TRUE(base::sizeAllowed(picture.width(), picture.height()));
        } catch (const base::Error& e) {
            EXPECT_FALSE(e.text().isEmpty());
        }
    }
}

// ---- Clipboard ----

TEST(Clipboard, WebpAndAvifOfferedByADesktopAreRead) {
    const QImage picture = codectest::smooth(12, 10);
    QMimeData webp;
    webp.setData(QStringLiteral("image/webp"), codecs::encode(picture, Format::Webp));
    EXPECT_TRUE(sameBgr(codecs::clipboardPicture(webp), picture));

    QMimeData avif;
    avif.setData(QStringLiteral("image/avif"), codectest::heifFile(picture, codectest::HeifKind::Avif));
    EXPECT_EQ(codecs::clipboardPicture(avif).size(), picture.size());

    QMimeData text;
    text.setText(QStringLiteral("not a picture"));
    EXPECT_TRUE(codecs::clipboardPicture(text).isNull());

    QMimeData broken;
    broken.setData(QStringLiteral("image/webp"), QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16));
    EXPECT_TRUE(errorOf([&] {
                    codecs::clipboardPicture(broken);
                }).startsWith(QStringLiteral("画像を読めません: WebP")));
}

}  // namespace
