#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QImage>

// Embedded colour descriptions turned into sRGB through Little CMS (perceptual intent). Anything
// the library refuses is ignored: the picture is then taken as sRGB, as if it had no profile.
namespace codecs::detail {

// CIE xy chromaticities of the white point and the three primaries.
struct Chromaticities {
    double whiteX, whiteY, redX, redY, greenX, greenY, blueX, blueY;
};

enum class Transfer {
    Srgb,   // the sRGB curve
    Bt709,  // the video curve of BT.709/601/2020
    Power,  // a pure power law: stored = linear ^ encodingGamma
};

// What the file stores for each pixel, which an ICC profile's colour space must match.
enum class Samples {
    Unknown,  // the reader cannot tell: a grey profile then needs a picture that is all grey
    Rgb,
    Grey,
    Cmyk,
};

// Where a picture's colours are defined. Empty: sRGB, nothing to do.
struct ColourSource {
    QByteArray iccProfile;                    // an embedded ICC profile, preferred when lcms2 takes it
    std::optional<Chromaticities> primaries;  // PNG cHRM, HEIF nclx; sRGB's primaries when absent
    std::optional<Transfer> transfer;         // with primaries or alone; the sRGB curve when absent
    double encodingGamma = 1 / 2.2;           // for Transfer::Power (PNG gAMA)
    Samples samples = Samples::Unknown;       // what the profile is checked against

    bool isSrgb() const { return iccProfile.isEmpty() && !primaries && !transfer; }
};

// Profiles larger than this are ignored unread; real ones are a few hundred KiB at most.
inline constexpr qsizetype kMaxProfileBytes = qsizetype{16} << 20;

// A conversion to sRGB of rows of blue-green-red (3 bytes a pixel) or blue-green-red-alpha
// (4 bytes, alpha kept) pixels, in place. make() gives nothing when there is nothing to do, lcms2
// refuses the description, the profile's colour space is not the samples', the profile would cost
// more than its size can justify, or the conversion it gives sends black, white, a grey ramp or
// the primaries somewhere no picture means them to go.
class SrgbConversion {
public:
    static std::unique_ptr<SrgbConversion> make(const ColourSource& source, bool alpha);
    ~SrgbConversion();
    SrgbConversion(const SrgbConversion&) = delete;
    SrgbConversion& operator=(const SrgbConversion&) = delete;

    void convertRow(std::uint8_t* pixels, std::uint32_t width) const;
    // Every row of a Format_BGR888 (alpha false) or Format_ARGB32 (alpha true) picture.
    void convert(QImage& picture) const;

    struct State;  // lcms2's context with its memory allowance, and the transform made in it
    explicit SrgbConversion(std::unique_ptr<State> state);

private:
    std::unique_ptr<State> state_;
};

// Converts a BGR888 or ARGB32 picture in place; does nothing when the source is sRGB or refused.
void convertToSrgb(QImage& picture, const ColourSource& source);

}  // namespace codecs::detail
