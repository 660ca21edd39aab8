#include <random>

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "base/image.h"
#include "bmpfilters/reduce_to_static_palette.h"
#include "bmpfilters/static_palette.h"
#include "cli_test_util.h"
#include "codecs/codecs.h"
#include "zoom/messages.h"

using namespace clitest;
using base::pixelAt;

namespace {

class Pictures : public ::testing::Test {
protected:
    QString in(const QString& name, const QImage& image) { return save(dir, name, image); }
    QString out(const QString& name) { return dir.filePath(name); }

    // Runs `command IN OUT options...` and expects it to succeed.
    QImage made(const QString& command, const QString& input, const QString& output,
                const QStringList& options) {
        last = runCli(QStringList{command, input, output} + options);
        EXPECT_EQ(last.status, 0) << last.err.toStdString();
        return load(output);
    }

    QTemporaryDir dir;
    Outcome last;
};

// The chunks of a PNG file: the bit depth and colour type of IHDR, the byte length of PLTE.
struct PngHeader {
    int bitDepth = -1, colourType = -1, paletteBytes = -1;
};
PngHeader pngHeader(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray d = f.readAll();
    PngHeader h;
    for (qsizetype at = 8; at + 8 <= d.size();) {
        const auto u = [&](qsizetype i) { return static_cast<unsigned char>(d[i]); };
        const qsizetype length = (qsizetype{u(at)} << 24) | (u(at + 1) << 16) | (u(at + 2) << 8) | u(at + 3);
        const QByteArray type = d.mid(at + 4, 4);
        if (type == "IHDR") {
            h.bitDepth = u(at + 16);
            h.colourType = u(at + 17);
        } else if (type == "PLTE") {
            h.paletteBytes = static_cast<int>(length);
        }
        at += 12 + length;
    }
    return h;
}

bool onStaticPalette(base::Colour c) {
    const auto& p = bmpfilters::staticPalette();
    return std::any_of(p.begin(), p.end(), [c](QRgb e) { return base::fromQRgb(e) == c; });
}

TEST_F(Pictures, ReduceWritesAnEightBitPictureWithTheStaticPalette) {
    // Index 50 (51, 43, 102) is a palette colour and stays; grey 100 is dithered onto the palette.
    const base::Colour onPalette = base::rgb(51, 43, 102);
    const QString source =
        in(QStringLiteral("src.bmp"), picture(8, 4, base::rgb(100, 100, 100), {{0, 0, onPalette}}));
    const QImage png = made(QStringLiteral("reduce"), source, out(QStringLiteral("r.png")), {});
    const PngHeader h = pngHeader(out(QStringLiteral("r.png")));
    EXPECT_EQ(h.bitDepth, 8);
    EXPECT_EQ(h.colourType, 3);  // palette
    EXPECT_EQ(h.paletteBytes, 252 * 3);
    EXPECT_EQ(pixelAt(png, 0, 0), onPalette);
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x)
            EXPECT_TRUE(onStaticPalette(pixelAt(png, x, y))) << x << "," << y;

    // The GIF holds the same picture.
    const QImage gif = made(QStringLiteral("reduce"), source, out(QStringLiteral("r.GIF")), {});
    EXPECT_EQ(gif, png);
}

// reduce writes a GIF from its one reduction, and its bytes are those of reducing, widening to
// 24 bits and reducing again: the second reduction changes nothing, so it is not done.
TEST_F(Pictures, ReduceToGifReducesOnceWithTheSameBytes) {
    std::mt19937 random(7);
    QImage noisy = base::makeBgr(97, 61);
    for (int y = 0; y < noisy.height(); ++y)
        for (int x = 0; x < noisy.width(); ++x)
            base::setPixel(noisy, x, y, static_cast<base::Colour>(random() & 0xFFFFFF));
    const QString source = in(QStringLiteral("noise.png"), noisy);
    made(QStringLiteral("reduce"), source, out(QStringLiteral("n.gif")), {});
    QFile written(out(QStringLiteral("n.gif")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QImage once = bmpfilters::ReduceToStaticPalette(noisy);
    const QByteArray twice =
        codecs::encode(bmpfilters::ReduceToStaticPalette(base::toBgr(once)), codecs::Format::Gif);
    EXPECT_TRUE(written.readAll() == twice);
}

TEST_F(Pictures, ResizeGrowsBilinearlyWithCentresAligned) {
    const QString source = in(QStringLiteral("2x1.png"), picture(2, 1, kBlack, {{1, 0, kRed}}));
    const QImage r = made(QStringLiteral("resize"), source, out(QStringLiteral("4x1.bmp")),
                          {QStringLiteral("--size"), QStringLiteral("4x1")});
    ASSERT_EQ(r.size(), QSize(4, 1));
    EXPECT_EQ(base::red(pixelAt(r, 0, 0)), 0);
    EXPECT_EQ(base::red(pixelAt(r, 1, 0)), 64);
    EXPECT_EQ(base::red(pixelAt(r, 2, 0)), 191);
    EXPECT_EQ(base::red(pixelAt(r, 3, 0)), 255);
}

TEST_F(Pictures, ResizeKeysByTheTopLeftPixelUnlessAKeyIsGiven) {
    // 4 x 1 magenta, magenta, magenta, dark to 2 x 1: the first pixel has no cover (P = 0), the
    // second half of it (P = 50).
    const base::Colour magenta = base::rgb(255, 0, 255), dark = base::rgb(10, 20, 30);
    const QString source = in(QStringLiteral("keyed.bmp"), picture(4, 1, magenta, {{3, 0, dark}}));
    const QStringList common{QStringLiteral("--size"), QStringLiteral("2x1"),
                             QStringLiteral("--transparent")};

    QImage r = made(QStringLiteral("resize"), source, out(QStringLiteral("a.png")), common);
    EXPECT_EQ(pixelAt(r, 0, 0), magenta);
    EXPECT_EQ(pixelAt(r, 1, 0), dark);

    // Fill 40 wants P >= 60: the second pixel takes the key colour too.
    r = made(QStringLiteral("resize"), source, out(QStringLiteral("b.png")),
             common + QStringList{QStringLiteral("--fill"), QStringLiteral("40")});
    EXPECT_EQ(pixelAt(r, 1, 0), magenta);

    // Keyed by the dark pixel instead, that one is left out and both keep magenta.
    r = made(QStringLiteral("resize"), source, out(QStringLiteral("c.png")),
             common + QStringList{QStringLiteral("--key"), QStringLiteral("0A141E")});
    EXPECT_EQ(pixelAt(r, 0, 0), magenta);
    EXPECT_EQ(pixelAt(r, 1, 0), magenta);
}

TEST_F(Pictures, ResizeRefusesSizesThePassesCannotMake) {
    const QString source = in(QStringLiteral("s.png"), picture(3, 2, kRed));
    const QString target = out(QStringLiteral("t.png"));
    struct Case {
        const char* size;
        QString message;
    };
    for (const Case& c :
         {Case{"3x2", zoom::sameSizeText()}, Case{"0x5", zoom::sizeBelowOneText(0, 5)},
          Case{"-3x5", zoom::sizeBelowOneText(-3, 5)}, Case{"70000x1", QStringLiteral("70000")}}) {
        const Outcome o = runCli({QStringLiteral("resize"), source, target, QStringLiteral("--size"),
                                  QString::fromLatin1(c.size)});
        EXPECT_EQ(o.status, 1) << c.size;
        EXPECT_TRUE(o.err.contains(c.message)) << o.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(target)) << c.size;
    }
}

TEST_F(Pictures, RotateQuarterTurnGivesTheCeilingOfTheBoundingBox) {
    const QString source = in(QStringLiteral("wide.png"), picture(200, 100, kRed));
    const QImage r = made(QStringLiteral("rotate"), source, out(QStringLiteral("turned.png")),
                          {QStringLiteral("--degrees"), QStringLiteral("90")});
    EXPECT_EQ(r.size(), QSize(101, 200));
    // Negative angles and hundredths as the dialog adds them: -45 and 50 is -44.5 degrees.
    const QImage s =
        made(QStringLiteral("rotate"), source, out(QStringLiteral("s.png")),
             {QStringLiteral("--degrees"), QStringLiteral("-45"), QStringLiteral("--hundredths=50")});
    EXPECT_EQ(s.size(), QSize(213, 212));
}

TEST_F(Pictures, RotateTakesANegativeFillAsTypedSoEveryPixelIsGap) {
    const QString source = in(QStringLiteral("g.png"), picture(10, 6, kGreen));
    const QImage r = made(QStringLiteral("rotate"), source, out(QStringLiteral("gap.bmp")),
                          {QStringLiteral("--degrees"), QStringLiteral("30"), QStringLiteral("--fill"),
                           QStringLiteral("-10"), QStringLiteral("--gap"), QStringLiteral("FF0000")});
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x) ASSERT_EQ(pixelAt(r, x, y), kRed) << x << "," << y;
}

TEST_F(Pictures, RotateWithTransparencyFillsTheGapsWithTheKeyColour) {
    const QString source = in(QStringLiteral("k.png"), picture(20, 10, kBlue, {{0, 0, kGreen}}));
    QImage r = made(QStringLiteral("rotate"), source, out(QStringLiteral("plain.png")),
                    {QStringLiteral("--degrees"), QStringLiteral("45")});
    EXPECT_EQ(pixelAt(r, 0, 0), kBlack);
    r = made(QStringLiteral("rotate"), source, out(QStringLiteral("keyed.png")),
             {QStringLiteral("--degrees"), QStringLiteral("45"), QStringLiteral("--transparent"),
              QStringLiteral("--gap"), QStringLiteral("FFFFFF")});
    EXPECT_EQ(pixelAt(r, 0, 0), kGreen);
    EXPECT_EQ(pixelAt(r, r.width() - 1, r.height() - 1), kGreen);
    EXPECT_EQ(pixelAt(r, r.width() / 2, r.height() / 2), kBlue);
    EXPECT_TRUE(last.err.contains(QStringLiteral("--gap"))) << "the ignored gap colour is told";
}

TEST_F(Pictures, BlendBorderMixesTheEdgeWithTheGapColour) {
    const QString source = in(QStringLiteral("black.png"), picture(20, 20, kBlack));
    const QStringList common{QStringLiteral("--degrees"), QStringLiteral("45"), QStringLiteral("--gap"),
                             QStringLiteral("FFFFFF")};
    const auto greys = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int v = base::red(pixelAt(image, x, y));
                n += v != 0 && v != 255;
            }
        return n;
    };
    const QImage hard = made(QStringLiteral("rotate"), source, out(QStringLiteral("hard.png")), common);
    const QImage soft = made(QStringLiteral("rotate"), source, out(QStringLiteral("soft.png")),
                             common + QStringList{QStringLiteral("--blend-border")});
    EXPECT_EQ(greys(hard), 0);
    EXPECT_GT(greys(soft), 0);
    EXPECT_EQ(pixelAt(soft, 0, 0), kWhite);
}

TEST_F(Pictures, RotateByNothingGivesTheSourceBack) {
    const QImage source = picture(5, 3, kRed, {{1, 1, kGreen}, {4, 2, kBlue}});
    const QImage r =
        made(QStringLiteral("rotate"), in(QStringLiteral("z.png"), source), out(QStringLiteral("z-out.png")),
             {QStringLiteral("--degrees"), QStringLiteral("0")});
    EXPECT_EQ(r, source);
}

}  // namespace
