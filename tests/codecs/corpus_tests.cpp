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

#define REQUIRE_SUITE(dir)                                                                           \
    const QString dir = suite(QStringLiteral(#dir).replace(u'_', u'-'));                             \
    if (testsupport::corpusDir().isEmpty()) GTEST_SKIP() << "no conformance pictures (corpus) here"; \
    do {                                                                                             \
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
    for (const auto& [file, reference] : good) {
        const Outcome bmp = load(bmpsuite + QStringLiteral("/g/%1.bmp").arg(QLatin1String(file)));
        const QImage expected = codecs::readFile(
            bmpsuite + QStringLiteral("/html/%1.png").arg(QLatin1String(reference)), Format::Png);
        ASSERT_TRUE(bmp.ok()) << file << ": " << bmp.error.toStdString();
        EXPECT_TRUE(codectest::sameBgr(bmp.image, expected)) << file;
    }
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
    EXPECT_TRUE(twelve.error.endsWith(QStringLiteral("Unsupported JPEG data precision 12")))
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
