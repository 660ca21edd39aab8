#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "base/image.h"
#include "base/messages.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"
#include "heif_boxes.h"

using codecs::Format;
using codectest::DerivedHeif;
using codectest::HostileHeif;

namespace {

QString refusal(const QString& reason) {
    return codecs::messages::decodeFailed(reason);
}

// Each hostile file is refused with its own reason, before libheif decodes anything: quickly and
// within the memory a small file deserves (the sanitizer build and a 4 GiB address-space limit
// watch that side).
TEST(HeifGuard, HostileFilesAreRefusedQuicklyWithTheirReason) {
    const int t = codectest::kHeifTile;
    const QString huge = base::messages::pictureSize(std::int64_t{65535}, std::int64_t{65535});
    const struct {
        const char* name;
        HostileHeif kind;
        QString text;
    } cases[] = {
        {"layer at a negative offset", HostileHeif::LayerAtNegativeOffset,
         codecs::messages::heifLayerOutside(-10, -10, t, t, 2000, 2000)},
        {"layer past the canvas", HostileHeif::LayerPastTheCanvas,
         codecs::messages::heifLayerOutside(1990, 0, t, t, 2000, 2000)},
        {"layer with alpha", HostileHeif::LayerWithAlpha, codecs::messages::heifLayerWithAlpha()},
        {"alpha is a huge grid", HostileHeif::AlphaIsHugeGrid, huge},
        {"grid of a huge grid", HostileHeif::GridOfHugeGrid, huge},
        {"identity of a huge grid", HostileHeif::IdentityOfHugeGrid, huge},
        {"65535 zero-size extents an item", HostileHeif::ZeroSizeExtents,
         codecs::messages::heifLocationsBeyondFile()},
        {"4000 items of 65535 zero-size extents", HostileHeif::FewZeroSizeExtents,
         codecs::messages::heifLocationsBeyondFile()},
        {"one huge tile repeated", HostileHeif::RepeatedHugeTile,
         codecs::messages::heifTooMuchWork(std::int64_t{8192} * 8192 * 16 + t * t, 8 * base::kMaxPixels)},
        {"reference loop", HostileHeif::ReferenceLoop, codecs::messages::heifReferenceLoop()},
        {"reference box too long", HostileHeif::ReferenceBoxTooLong,
         codecs::messages::heifReferencesDamaged()},
        {"located twice", HostileHeif::LocatedTwice, codecs::messages::heifItemTwice()},
        {"layer that is no picture", HostileHeif::LayerNotAPicture, codecs::messages::heifInputNotPicture()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray file = codectest::hostileHeif(c.kind);
        ASSERT_GT(file.size(), 100);
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(codectest::errorOf([&] { codecs::decode(file, Format::Heif); }), refusal(c.text));
        EXPECT_LT(clock.elapsed(), 1000);
    }
    EXPECT_GT(codectest::hostileHeif(HostileHeif::ZeroSizeExtents).size(), 393000);
}

// The sound files of the same kinds still decode, so the guards refuse only what they must.
TEST(HeifGuard, SoundDerivedPicturesDecode) {
    const int t = codectest::kHeifTile;
    const struct {
        const char* name;
        DerivedHeif kind;
        QSize size;
    } cases[] = {
        {"grid", DerivedHeif::Grid, {2 * t, t}},
        {"overlay", DerivedHeif::Overlay, {160, 80}},
        {"identity", DerivedHeif::Identity, {t, t}},
        {"with alpha", DerivedHeif::WithAlpha, {t, t}},
    };
    const QImage tile = codecs::decode(
        codectest::heifFile(codectest::pattern(t, t), codectest::HeifKind::Heic), Format::Heif);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage picture;
        EXPECT_EQ(codectest::errorOf(
                      [&] { picture = codecs::decode(codectest::derivedHeif(c.kind), Format::Heif); }),
                  QStringLiteral("no error"));
        EXPECT_EQ(picture.size(), c.size);
        // The tile stands at the top left of every one of them.
        if (c.kind != DerivedHeif::WithAlpha && picture.size() == c.size) {
            EXPECT_LE(codectest::maxDifference(picture.copy(0, 0, t, t), tile), 2);
        }
    }
}

}  // namespace
