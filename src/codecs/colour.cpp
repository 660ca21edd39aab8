#include "codecs/colour.h"

#include <cmath>
#include <cstdint>

#include <lcms2.h>

namespace codecs::detail {
namespace {

// Closes a profile on every way out.
struct Profile {
    cmsHPROFILE handle = nullptr;
    explicit Profile(cmsHPROFILE h) : handle(h) {}
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;
    ~Profile() {
        if (handle) cmsCloseProfile(handle);
    }
};

cmsToneCurve* curveOf(Transfer transfer, double encodingGamma) {
    switch (transfer) {
        case Transfer::Srgb: {
            const cmsFloat64Number p[] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
            return cmsBuildParametricToneCurve(nullptr, 4, p);
        }
        case Transfer::Bt709: {
            const cmsFloat64Number p[] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
            return cmsBuildParametricToneCurve(nullptr, 4, p);
        }
        case Transfer::Power:
            // Exponents outside this range are damage, not a picture anyone made on purpose.
            if (!std::isfinite(encodingGamma) || encodingGamma < 0.05 || encodingGamma > 5) return nullptr;
            return cmsBuildGamma(nullptr, 1 / encodingGamma);
    }
    return nullptr;
}

bool sane(double v) {
    return std::isfinite(v) && v >= 0 && v <= 1;
}

cmsHPROFILE profileFrom(const ColourSource& source) {
    if (!source.iccProfile.isEmpty()) {
        if (source.iccProfile.size() > kMaxProfileBytes) return nullptr;
        cmsHPROFILE p = cmsOpenProfileFromMem(source.iccProfile.constData(),
                                              static_cast<cmsUInt32Number>(source.iccProfile.size()));
        if (!p) return nullptr;
        // As plain numbers: a profile may hold values the library's enumerations do not name.
        const std::uint32_t space = cmsGetColorSpace(p);
        const std::uint32_t cls = cmsGetDeviceClass(p);
        const bool usable = (space == cmsSigRgbData || space == cmsSigGrayData) &&
                            (cls == cmsSigInputClass || cls == cmsSigDisplayClass ||
                             cls == cmsSigOutputClass || cls == cmsSigColorSpaceClass);
        if (usable) return p;
        cmsCloseProfile(p);
        return nullptr;
    }
    const Chromaticities c =
        source.primaries.value_or(Chromaticities{0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06});
    for (double v : {c.whiteX, c.whiteY, c.redX, c.redY, c.greenX, c.greenY, c.blueX, c.blueY})
        if (!sane(v)) return nullptr;
    if (c.whiteY <= 0 || c.redY <= 0 || c.greenY <= 0 || c.blueY <= 0) return nullptr;
    cmsToneCurve* curve = curveOf(source.transfer.value_or(Transfer::Srgb), source.encodingGamma);
    if (!curve) return nullptr;
    const cmsCIExyY white{c.whiteX, c.whiteY, 1.0};
    const cmsCIExyYTRIPLE primaries{
        {c.redX, c.redY, 1.0}, {c.greenX, c.greenY, 1.0}, {c.blueX, c.blueY, 1.0}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return p;
}

}  // namespace

std::unique_ptr<SrgbConversion> SrgbConversion::make(const ColourSource& source, bool alpha) {
    if (source.isSrgb()) return nullptr;
    const Profile in(profileFrom(source));
    if (!in.handle) return nullptr;
    const Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb.handle) return nullptr;
    // A grey profile reads the first byte of each pixel (the pictures are grey, all three equal)
    // and skips the rest.
    const bool grey = static_cast<std::uint32_t>(cmsGetColorSpace(in.handle)) == cmsSigGrayData;
    const cmsUInt32Number greyFormat =
        COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(alpha ? 3 : 2);
    const cmsUInt32Number rgbFormat = alpha ? TYPE_BGRA_8 : TYPE_BGR_8;
    cmsHTRANSFORM t = cmsCreateTransform(in.handle, grey ? greyFormat : rgbFormat, srgb.handle, rgbFormat,
                                         INTENT_PERCEPTUAL, 0);
    if (!t) return nullptr;
    return std::unique_ptr<SrgbConversion>(new SrgbConversion(t));
}

SrgbConversion::~SrgbConversion() {
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
}

void SrgbConversion::convertRow(std::uint8_t* pixels, std::uint32_t width) const {
    // In place: input and output pixels have the same size, and alpha is left where it is.
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), pixels, pixels, width);
}

void SrgbConversion::convert(QImage& picture) const {
    const auto width = static_cast<std::uint32_t>(picture.width());
    for (int y = 0; y < picture.height(); ++y) convertRow(picture.scanLine(y), width);
}

void convertToSrgb(QImage& picture, const ColourSource& source) {
    if (picture.isNull() || source.isSrgb()) return;
    const bool alpha = picture.format() == QImage::Format_ARGB32;
    if (!alpha && picture.format() != QImage::Format_BGR888) return;
    if (const auto conversion = SrgbConversion::make(source, alpha)) conversion->convert(picture);
}

}  // namespace codecs::detail
