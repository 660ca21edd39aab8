#include <gtest/gtest.h>

#include <functional>

#include <QFile>

#include <lcms2.h>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"

using codecs::Format;
using codectest::greyProfile;
using codectest::maxDifference;

namespace {

// An RGB profile with sRGB's primaries and a pure power curve, `damage` done to it before saving.
QByteArray rgbProfile(double gamma, const std::function<void(cmsHPROFILE)>& damage = {}) {
    const cmsCIExyY white{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* c = cmsBuildGamma(nullptr, gamma);
    cmsToneCurve* curves[3] = {c, c, c};
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(c);
    if (damage) damage(p);
    return codectest::savedProfile(p);
}

QByteArray withCurve(int type, std::initializer_list<double> parameters) {
    return rgbProfile(2.2, [&](cmsHPROFILE p) {
        cmsToneCurve* c = cmsBuildParametricToneCurve(nullptr, type, std::data(parameters));
        for (cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag})
            cmsWriteTag(p, tag, c);
        cmsFreeToneCurve(c);
    });
}

QByteArray withColourants(cmsCIEXYZ r, cmsCIEXYZ g, cmsCIEXYZ b) {
    return rgbProfile(2.2, [&](cmsHPROFILE p) {
        cmsWriteTag(p, cmsSigRedColorantTag, &r);
        cmsWriteTag(p, cmsSigGreenColorantTag, &g);
        cmsWriteTag(p, cmsSigBlueColorantTag, &b);
    });
}

std::uint8_t byte(int v) {
    return static_cast<std::uint8_t>(v & 255);
}

// Reds, greens, blues and greys in bands, so that any channel mix-up shows.
QImage colourful(int w, int h) {
    QImage picture = base::makeBgr(w, h, base::rgb(0, 0, 0));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(picture, x, y,
                           base::rgb(byte(x * 37), byte(y * 53 + 40), byte((x + y) * 29 + 90)));
    return picture;
}

// The file of each kind the readers take profiles from; no profile when `profile` is empty.
QByteArray fileWith(Format f, const QImage& picture, const QByteArray& profile) {
    switch (f) {
        case Format::Png: {
            const QByteArray bare = codectest::pngWithoutSrgb(picture);
            return profile.isEmpty() ? bare : codectest::withPngChunk(bare, codectest::iccpChunk(profile));
        }
        case Format::Jpeg: {
            const QByteArray bare = codecs::encode(picture, Format::Jpeg);
            return profile.isEmpty() ? bare : codectest::jpegWithProfile(bare, profile);
        }
        case Format::Webp:
            return codectest::webpWithChunks(codecs::encode(picture, Format::Webp), QByteArray(), profile);
        default:
            return codectest::heifFile(picture, codectest::HeifKind::Heic, profile);
    }
}

// What lcms2 itself makes of the pixels with the profile: the readers must give exactly this.
QImage lcmsConverted(const QImage& picture, const QByteArray& profile) {
    cmsHPROFILE in = cmsOpenProfileFromMem(profile.constData(), static_cast<cmsUInt32Number>(profile.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t = cmsCreateTransform(in, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    QImage out = picture.copy();
    for (int y = 0; y < out.height(); ++y)
        cmsDoTransform(t, out.scanLine(y), out.scanLine(y), static_cast<cmsUInt32Number>(out.width()));
    cmsDeleteTransform(t);
    cmsCloseProfile(srgb);
    cmsCloseProfile(in);
    return out;
}

const Format kProfileFormats[] = {Format::Png, Format::Jpeg, Format::Webp, Format::Heif};

const char* nameOf(Format f) {
    return f == Format::Png ? "PNG" : f == Format::Jpeg ? "JPEG" : f == Format::Webp ? "WebP" : "HEIC";
}

}  // namespace

// A profile lcms2 takes but whose numbers are nonsense would turn the picture black, white or
// grey; such a profile is ignored and the picture read as if it had none. Profiles that make
// sense still convert, exactly as lcms2 converts.
TEST(Colour, ProfilesThatMakeNonsenseAreIgnoredAndSoundOnesStillApply) {
    const cmsCIEXYZ none{0, 0, 0}, some{0.3, 0.3, 0.25};
    const cmsCIEXYZ red{0.4361, 0.2225, 0.0139}, green{0.3851, 0.7169, 0.0971}, blue{0.1431, 0.0606, 0.7141};
    const QList<std::pair<const char*, QByteArray>> nonsense = {
        {"zero matrix", withColourants(none, none, none)},
        {"singular matrix", withColourants(some, some, some)},
        {"red and blue swapped", withColourants(blue, green, red)},
        {"gamma 0", withCurve(1, {0.0})},
        {"negative gamma", withCurve(1, {-2.2})},
        {"huge gamma", withCurve(1, {1e4})},
        {"negative slope", withCurve(4, {2.4, -1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045})},
        {"huge offset", withCurve(4, {2.4, 1 / 1.055, 1e9, 1 / 12.92, 0.04045})},
    };
    const QImage picture = colourful(16, 16);
    for (Format f : kProfileFormats) {
        const QImage plain = codecs::decode(fileWith(f, picture, {}), f);
        ASSERT_FALSE(plain.isNull()) << nameOf(f);
        for (const auto& [what, profile] : nonsense)
            EXPECT_EQ(maxDifference(codecs::decode(fileWith(f, picture, profile), f), plain), 0)
                << nameOf(f) << ": " << what;
        if (f == Format::Heif) continue;  // its pixels after the encoder are not the picture's
        // Sound profiles: a darker curve with sRGB's primaries, and Display P3.
        for (const QByteArray& profile : {rgbProfile(1.8), codectest::displayP3()}) {
            const QImage converted = codecs::decode(fileWith(f, picture, profile), f);
            EXPECT_GT(maxDifference(converted, plain), 3) << nameOf(f);
            EXPECT_EQ(maxDifference(converted, lcmsConverted(plain, profile)), 0) << nameOf(f);
        }
    }
}

// A grey profile describes one channel: applied to a colour picture it turned it grey. A profile
// of another colour space than the pixels' is ignored; on a grey picture, the grey one applies.
TEST(Colour, AProfileOfAnotherColourSpaceThanThePixelsIsIgnored) {
    const QByteArray grey = greyProfile();
    for (Format f : kProfileFormats) {
        const QImage picture = colourful(16, 16);
        EXPECT_EQ(maxDifference(codecs::decode(fileWith(f, picture, grey), f),
                                codecs::decode(fileWith(f, picture, {}), f)),
                  0)
            << nameOf(f);
    }
    // HEIF does not say whether its pixels are grey: a picture that is all grey takes the profile
    // (linear light: 128 becomes 188).
    const QImage mid = base::makeBgr(16, 16, base::rgb(128, 128, 128));
    const QImage heic = codecs::decode(fileWith(Format::Heif, mid, grey), Format::Heif);
    EXPECT_NEAR(base::red(base::pixelAt(heic, 8, 8)), 188, 3);
    EXPECT_EQ(base::pixelAt(heic, 8, 8),
              base::rgb(base::red(base::pixelAt(heic, 8, 8)), base::red(base::pixelAt(heic, 8, 8)),
                        base::red(base::pixelAt(heic, 8, 8))));
}

namespace {

// The peak resident memory grows by what the call costs: the kernel's peak is reset first.
long long peakGrowthKiB(const std::function<void()>& call) {
    auto status = [](const char* field) {
        QFile f(QStringLiteral("/proc/self/status"));
        if (!f.open(QIODevice::ReadOnly)) return -1LL;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith(field))
                return line.mid(static_cast<qsizetype>(std::strlen(field)))
                    .trimmed()
                    .split(' ')[0]
                    .toLongLong();
        return -1LL;
    };
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1) return -1;
    reset.close();
    const long long before = status("VmRSS:");
    call();
    const long long peak = status("VmHWM:");
    return before < 0 || peak < 0 ? -1 : peak - before;
}

}  // namespace

TEST(Colour, AProfileCostsNoMoreThanItsSizeJustifies) {
    const QImage picture = colourful(8, 8);
    const QByteArray profile = codectest::profileClaimingAHugeTable();
    for (Format f : {Format::Png, Format::Jpeg}) {
        const QByteArray file = fileWith(f, picture, profile);
        QImage decoded;
        const long long growth = peakGrowthKiB([&] { decoded = codecs::decode(file, f); });
        if (growth < 0) GTEST_SKIP() << "no way to measure the peak memory here";
        EXPECT_LT(growth, 32 * 1024) << nameOf(f);
        EXPECT_EQ(maxDifference(decoded, codecs::decode(fileWith(f, picture, {}), f)), 0) << nameOf(f);
    }
}
