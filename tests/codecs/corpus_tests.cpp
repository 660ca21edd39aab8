#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"
#include "test_support.h"

using codecs::Format;

namespace {

// The public conformance suites: valid files must load at their size, broken ones must fail
// with base::Error, and the questionable ones must merely come to no harm.

QString suite(const QString& folder) {
    const QString root = testsupport::corpusDir();
    return root.isEmpty() ? QString() : root + u'/' + folder;
}

#define REQUIRE_SUITE(dir)                                                                \
    const QString dir = suite(QStringLiteral(#dir).replace(u'_', u'-'));                  \
    if (dir.isEmpty() || !QDir(dir).exists())                                             \
        GTEST_SKIP() << "no conformance pictures (" #dir ") here: " << dir.toStdString(); \
    do {                                                                                  \
    } while (false)

QStringList files(const QString& dir, const QString& pattern) {
    QStringList out;
    for (const QString& name : QDir(dir).entryList({pattern}, QDir::Files, QDir::Name))
        out.append(dir + u'/' + name);
    return out;
}

QString nameOf(const QString& path) {
    return path.section(u'/', -1);
}

struct Outcome {
    QImage image;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

Outcome load(const QString& path) {
    Outcome out;
    try {
        out.image = codecs::readFile(path, codecs::formatByExtension(path));
        EXPECT_EQ(out.image.format(), QImage::Format_BGR888) << nameOf(path).toStdString();
    } catch (const base::Error& e) {
        out.error = e.text();
        if (out.error.isEmpty()) out.error = QStringLiteral("?");
    }
    return out;
}

void expectValid(const QString& path, QSize size = {}) {
    const Outcome out = load(path);
    EXPECT_TRUE(out.ok()) << nameOf(path).toStdString() << ": " << out.error.toStdString();
    if (out.ok() && size.isValid()) {
        EXPECT_EQ(out.image.size(), size) << nameOf(path).toStdString();
    }
}

void expectBroken(const QString& path) {
    EXPECT_FALSE(load(path).ok()) << nameOf(path).toStdString() << " should be refused";
}

// Raw 8-bit RGB, rows top to bottom, as the suites' reference dumps hold it.
bool matchesRgb(const QImage& image, const QByteArray& rgb) {
    if (rgb.size() != 3 * qsizetype{image.width()} * image.height()) return false;
    const auto* p = reinterpret_cast<const uchar*>(rgb.constData());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x, p += 3)
            if (base::pixelAt(image, x, y) != base::rgb(p[0], p[1], p[2])) return false;
    return true;
}

int maxDifference(const QImage& image, const QByteArray& rgb) {
    if (rgb.size() != 3 * qsizetype{image.width()} * image.height()) return 256;
    const auto* p = reinterpret_cast<const uchar*>(rgb.constData());
    int worst = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x, p += 3) {
            const base::Colour c = base::pixelAt(image, x, y);
            worst = std::max({worst, std::abs(base::red(c) - p[0]), std::abs(base::green(c) - p[1]),
                              std::abs(base::blue(c) - p[2])});
        }
    return worst;
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(Corpus, PngSuite) {
    REQUIRE_SUITE(pngsuite);
    const QStringList all = files(pngsuite + QStringLiteral("/png"), QStringLiteral("*.png"));
    ASSERT_GE(all.size(), 170);
    int broken = 0;
    const QRegularExpression sized(QStringLiteral("^s(\\d\\d)"));
    for (const QString& path : all) {
        const QString name = nameOf(path);
        if (name.startsWith(u'x')) {
            ++broken;
            expectBroken(path);
            continue;
        }
        QSize size(32, 32);
        if (const auto m = sized.match(name); m.hasMatch())
            size = QSize(m.captured(1).toInt(), m.captured(1).toInt());
        if (name.startsWith(QStringLiteral("cdf"))) size = QSize(8, 32);
        if (name.startsWith(QStringLiteral("cdh"))) size = QSize(32, 8);
        if (name.startsWith(QStringLiteral("cds"))) size = QSize(8, 8);
        expectValid(path, size);
    }
    EXPECT_EQ(broken, 14);
}

// PngSuite has no reference pixels, but many of its files hold one picture encoded differently:
// interlaced and not, the image data split into 1, 2, 4 or 9 chunks, zlib levels 0 to 9, extra
// ancillary chunks. Each must decode to the same pixels as its plain counterpart.
TEST(Corpus, PngSuiteEncodingsOfOnePictureAgree) {
    REQUIRE_SUITE(pngsuite);
    const QString dir = pngsuite + QStringLiteral("/png/");
    QList<QStringList> groups = {
        {QStringLiteral("basn0g16"), QStringLiteral("oi1n0g16"), QStringLiteral("oi2n0g16"),
         QStringLiteral("oi4n0g16"), QStringLiteral("oi9n0g16")},
        {QStringLiteral("basn2c16"), QStringLiteral("oi1n2c16"), QStringLiteral("oi2n2c16"),
         QStringLiteral("oi4n2c16"), QStringLiteral("oi9n2c16"), QStringLiteral("ps1n2c16"),
         QStringLiteral("ps2n2c16"), QStringLiteral("pp0n2c16")},
        {QStringLiteral("z00n2c08"), QStringLiteral("z03n2c08"), QStringLiteral("z06n2c08"),
         QStringLiteral("z09n2c08")},
        {QStringLiteral("basn0g08"), QStringLiteral("ps1n0g08"), QStringLiteral("ps2n0g08")},
        {QStringLiteral("ct0n0g04"), QStringLiteral("ct1n0g04"), QStringLiteral("ctzn0g04"),
         QStringLiteral("cm0n0g04"), QStringLiteral("cm7n0g04"), QStringLiteral("cm9n0g04")},
        {QStringLiteral("basn3p04"), QStringLiteral("ch1n3p04")},
    };
    // Interlaced files: the fourth letter 'i' where the plain one has 'n'.
    int interlaced = 0;
    for (const QString& path : files(dir, QStringLiteral("???i*.png"))) {
        QString plain = nameOf(path).chopped(4);
        const QString name = plain;
        plain[3] = u'n';
        if (!QFile::exists(dir + plain + QStringLiteral(".png"))) continue;
        groups.append({plain, name});
        ++interlaced;
    }
    EXPECT_GE(interlaced, 30);
    for (const QStringList& group : groups) {
        const Outcome first = load(dir + group.first() + QStringLiteral(".png"));
        ASSERT_TRUE(first.ok()) << group.first().toStdString() << ": " << first.error.toStdString();
        for (const QString& other : group.mid(1)) {
            const Outcome out = load(dir + other + QStringLiteral(".png"));
            EXPECT_TRUE(out.ok() && codectest::sameBgr(out.image, first.image))
                << other.toStdString() << " differs from " << group.first().toStdString();
        }
    }
}

TEST(Corpus, LibpngTestPngs) {
    REQUIRE_SUITE(libpng_testpngs);
    for (const QString& path : files(libpng_testpngs, QStringLiteral("*.png"))) expectValid(path);
    for (const QString& path : files(libpng_testpngs + QStringLiteral("/png-3"), QStringLiteral("*.png")))
        expectValid(path);
    for (const QString& path : files(libpng_testpngs + QStringLiteral("/crashers"), QStringLiteral("*.png")))
        if (nameOf(path) != QStringLiteral("empty_ancillary_chunks.png")) expectBroken(path);
    for (const QString& path : files(libpng_testpngs + QStringLiteral("/badpal"), QStringLiteral("*.png")))
        load(path);
}

// Each bitmap of `folder` must match, pixel for pixel, the suite's rendering named beside it.
void expectRenderings(const QString& bmpsuite, const QString& folder,
                      const QList<std::pair<const char*, const char*>>& table) {
    for (const auto& [file, reference] : table) {
        const Outcome bmp = load(bmpsuite + QStringLiteral("/%1/%2.bmp").arg(folder, QLatin1String(file)));
        const QImage expected = codecs::readFile(
            bmpsuite + QStringLiteral("/html/%1.png").arg(QLatin1String(reference)), Format::Png);
        EXPECT_TRUE(bmp.ok()) << file << ": " << bmp.error.toStdString();
        if (bmp.ok()) {
            EXPECT_TRUE(codectest::sameBgr(bmp.image, expected)) << file;
        }
    }
}

TEST(Corpus, BmpSuite) {
    REQUIRE_SUITE(bmpsuite);
    // Good files, each with the reference rendering it must match pixel for pixel.
    const QList<std::pair<const char*, const char*>> good = {{"pal1", "pal1"},
                                                             {"pal1bg", "pal1bg"},
                                                             {"pal1wb", "pal1"},
                                                             {"pal4", "pal4"},
                                                             {"pal4gs", "pal4gs"},
                                                             {"pal4rle", "pal4"},
                                                             {"pal8-0", "pal8"},
                                                             {"pal8", "pal8"},
                                                             {"pal8gs", "pal8gs"},
                                                             {"pal8os2", "pal8"},
                                                             {"pal8rle", "pal8"},
                                                             {"pal8topdown", "pal8"},
                                                             {"pal8v4", "pal8"},
                                                             {"pal8v5", "pal8"},
                                                             {"pal8w124", "pal8w124"},
                                                             {"pal8w125", "pal8w125"},
                                                             {"pal8w126", "pal8w126"},
                                                             {"rgb16-565", "rgb16-565"},
                                                             {"rgb16-565pal", "rgb16-565"},
                                                             {"rgb16", "rgb16"},
                                                             {"rgb16bfdef", "rgb16"},
                                                             {"rgb24", "rgb24"},
                                                             {"rgb24pal", "rgb24"},
                                                             {"rgb32", "rgb24"},
                                                             {"rgb32bf", "rgb24"},
                                                             {"rgb32bfdef", "rgb24"}};
    expectRenderings(bmpsuite, QStringLiteral("g"), good);
    expectValid(bmpsuite + QStringLiteral("/g/pal8nonsquare.bmp"), QSize(127, 32));
    EXPECT_EQ(files(bmpsuite + QStringLiteral("/g"), QStringLiteral("*.bmp")).size(), good.size() + 1);

    // Their only fault lies in fields this reader ignores: size fields, resolution.
    const QSet<QString> harmless = {QStringLiteral("badbitssize.bmp"), QStringLiteral("badfilesize.bmp"),
                                    QStringLiteral("baddens1.bmp"), QStringLiteral("baddens2.bmp")};
    for (const QString& path : files(bmpsuite + QStringLiteral("/b"), QStringLiteral("*.bmp"))) {
        if (harmless.contains(nameOf(path)))
            expectValid(path, QSize(127, 64));
        else
            expectBroken(path);
    }
    // Questionable files: those this reader takes must match the rendering the suite gives for the
    // reading it chose (pixels that RLE data skips keep palette colour 0: the "-0" renderings;
    // colour profiles and alpha are not applied). The rest are refused with a reason.
    const QList<std::pair<const char*, const char*>> questionable = {{"pal1p1", "pal1p1"},
                                                                     {"pal2", "pal2"},
                                                                     {"pal2color", "pal2color"},
                                                                     {"pal4rlecut", "pal4rlecut-0"},
                                                                     {"pal4rletrns", "pal4rletrns-0"},
                                                                     {"pal8rlecut", "pal8rlecut-0"},
                                                                     {"pal8rletrns", "pal8rletrns-0"},
                                                                     {"pal8offs", "pal8"},
                                                                     {"pal8os2-hs", "pal8"},
                                                                     {"pal8os2-sz", "pal8"},
                                                                     {"pal8os2sp", "pal8"},
                                                                     {"pal8os2v2", "pal8"},
                                                                     {"pal8os2v2-16", "pal8"},
                                                                     {"pal8os2v2-40sz", "pal8"},
                                                                     {"pal8os2v2-sz", "pal8"},
                                                                     {"rgb16-231", "rgb16-231"},
                                                                     {"rgb16-3103", "rgb16-3103"},
                                                                     {"rgb16faketrns", "rgb16"},
                                                                     {"rgba16-5551", "rgb16"},
                                                                     {"rgb24largepal", "rgb24"},
                                                                     {"rgb24lprof", "rgb24"},
                                                                     {"rgb24prof", "rgb24"},
                                                                     {"rgb32-7187", "rgb32-7187"},
                                                                     {"rgb32-xbgr", "rgb24"},
                                                                     {"rgb32fakealpha", "rgb24"},
                                                                     {"rgb32h52", "rgb24"}};
    expectRenderings(bmpsuite, QStringLiteral("q"), questionable);
    // Eleven bits of red and green scaled to eight: at most one level from the 8-bit rendering.
    const Outcome wide = load(bmpsuite + QStringLiteral("/q/rgb32-111110.bmp"));
    ASSERT_TRUE(wide.ok()) << wide.error.toStdString();
    EXPECT_LE(codectest::maxDifference(
                  wide.image, codecs::readFile(bmpsuite + QStringLiteral("/html/rgb24.png"), Format::Png)),
              1);
    // Huffman, JPEG, PNG and RLE24 contents, 64-bit pixels, a 300-colour palette for 8 bits.
    for (const char* refused :
         {"pal1huffmsb", "rgb24jpeg", "rgb24png", "rgb24rle24", "rgba64", "pal8oversizepal"})
        expectBroken(bmpsuite + QStringLiteral("/q/%1.bmp").arg(QLatin1String(refused)));
    // The remaining ones (alpha, a profile that swaps channels) only have to load.
    for (const QString& path : files(bmpsuite + QStringLiteral("/q"), QStringLiteral("*.bmp"))) load(path);
    for (const QString& path : files(bmpsuite + QStringLiteral("/x"), QStringLiteral("*.bmp"))) load(path);
}

TEST(Corpus, Giflib) {
    REQUIRE_SUITE(giflib);
    // The reference dumps draw all frames; only single-frame pictures can be compared pixel for pixel.
    const QStringList singleFrame = {QStringLiteral("gifgrid"),  QStringLiteral("porsche"),
                                     QStringLiteral("solid2"),   QStringLiteral("treescap-interlaced"),
                                     QStringLiteral("treescap"), QStringLiteral("x-trans")};
    const QStringList all = files(giflib + QStringLiteral("/pic"), QStringLiteral("*.gif"));
    ASSERT_EQ(all.size(), 8);
    for (const QString& path : all) {
        const QString stem = nameOf(path).chopped(4);
        const Outcome out = load(path);
        ASSERT_TRUE(out.ok()) << stem.toStdString() << ": " << out.error.toStdString();
        const QByteArray rgb = contentOf(giflib + QStringLiteral("/expected-rgb/%1.rgb").arg(stem));
        EXPECT_EQ(rgb.size(), 3 * qsizetype{out.image.width()} * out.image.height()) << stem.toStdString();
        if (singleFrame.contains(stem)) {
            EXPECT_TRUE(matchesRgb(out.image, rgb)) << stem.toStdString();
        }
    }
}

TEST(Corpus, LibjpegTurboTestImages) {
    REQUIRE_SUITE(libjpeg_turbo_testimages);
    const QString& dir = libjpeg_turbo_testimages;
    const Outcome twelve = load(dir + QStringLiteral("/monkey12.jpg"));
    EXPECT_TRUE(twelve.error.endsWith(
        QStringLiteral("12 ビットの JPEG は扱えません (Unsupported JPEG data precision 12)")))
        << twelve.error.toStdString();
    // testorig.ppm is a decoding of testorig.jpg made with other decoder settings (within 3 levels).
    const QByteArray ppm = contentOf(dir + QStringLiteral("/testorig.ppm"));
    ASSERT_TRUE(ppm.startsWith("P6\n227 149\n255\n"));
    const Outcome jpeg = load(dir + QStringLiteral("/testorig.jpg"));
    ASSERT_TRUE(jpeg.ok()) << jpeg.error.toStdString();
    EXPECT_LE(maxDifference(jpeg.image, ppm.mid(15)), 3);
    expectValid(dir + QStringLiteral("/testimgint.jpg"), QSize(227, 149));  // progressive
    expectValid(dir + QStringLiteral("/testimgari.jpg"), QSize(227, 149));  // arithmetic coding
    for (const QString& path : files(dir, QStringLiteral("*.bmp")) + files(dir, QStringLiteral("*.png")))
        expectValid(path);
}

void pillowFolder(const QString& dir, const QString& pattern, const QSet<QString>& broken) {
    const QStringList all = files(dir, pattern);
    ASSERT_FALSE(all.isEmpty()) << dir.toStdString();
    for (const QString& path : all) {
        if (broken.contains(nameOf(path)))
            expectBroken(path);
        else
            expectValid(path);
    }
}

TEST(Corpus, PillowTests) {
    REQUIRE_SUITE(pillow_tests);
    pillowFolder(pillow_tests + QStringLiteral("/jpeg"), QStringLiteral("*.jpg"),
                 {QStringLiteral("truncated_jpeg.jpg")});
    pillowFolder(pillow_tests + QStringLiteral("/png"), QStringLiteral("*.png"),
                 {QStringLiteral("broken.png"), QStringLiteral("broken_data_stream.png"),
                  QStringLiteral("truncated_end_chunk.png"), QStringLiteral("truncated_image.png")});
    // issue_2811.gif uses an LZW code size of 11, beyond GIF's 8; giflib refuses it.
    pillowFolder(pillow_tests + QStringLiteral("/gif"), QStringLiteral("*.gif"),
                 {QStringLiteral("decompression_bomb.gif"), QStringLiteral("zero_width.gif"),
                  QStringLiteral("issue_2811.gif")});
    // The row-overflow file's runs run past the right edge: refused like bmpsuite's bad RLE files.
    pillowFolder(pillow_tests + QStringLiteral("/bmp"), QStringLiteral("*.bmp"),
                 {QStringLiteral("hopper_rle8_row_overflow.bmp"), QStringLiteral("l2rgb_read.bmp")});
    const Outcome cmyk = load(pillow_tests + QStringLiteral("/jpeg/pil_sample_cmyk.jpg"));
    const Outcome rgb = load(pillow_tests + QStringLiteral("/jpeg/pil_sample_rgb.jpg"));
    ASSERT_TRUE(cmyk.ok() && rgb.ok());
    EXPECT_LE(codectest::maxDifference(cmyk.image, rgb.image), 40);  // the same photo in both spaces
}

}  // namespace
