#include "codecs/colour.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <lcms2.h>
#include <lcms2_plugin.h>

namespace codecs::detail {

// What lcms2 may allocate for one conversion. lcms2 allocates what a profile's tags claim before
// it finds the bytes missing (a 1.5 KB profile whose colour table claims 255 points a side asks
// for 100 MB), so the bound grows with the profile's size; the conversions real profiles make stay
// below a few MiB.
struct Allowance {
    std::size_t left;
};

struct SrgbConversion::State {
    Allowance allowance;
    cmsContext context = nullptr;
    cmsHTRANSFORM transform = nullptr;

    explicit State(std::size_t bytes) : allowance{bytes} {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (transform) cmsDeleteTransform(transform);
        if (context) cmsDeleteContext(context);  // still draws on the allowance: it goes last
    }
};

namespace {

constexpr std::size_t kBaseAllowance = std::size_t{8} << 20;
constexpr std::size_t kAllowancePerProfileByte = 4;

// Each block carries its size in front, so that freeing gives it back to the allowance.
constexpr std::size_t kHeader = 16;

Allowance& allowanceOf(cmsContext context) {
    return *static_cast<Allowance*>(cmsGetContextUserData(context));
}

void* allocate(cmsContext context, cmsUInt32Number size) {
    Allowance& allowance = allowanceOf(context);
    if (size > allowance.left) return nullptr;
    void* block = std::malloc(kHeader + size);
    if (!block) return nullptr;
    allowance.left -= size;
    std::memcpy(block, &size, sizeof size);
    return static_cast<char*>(block) + kHeader;
}

cmsUInt32Number sizeOf(void* p) {
    cmsUInt32Number size = 0;
    std::memcpy(&size, static_cast<char*>(p) - kHeader, sizeof size);
    return size;
}

void release(cmsContext context, void* p) {
    if (!p) return;
    allowanceOf(context).left += sizeOf(p);
    std::free(static_cast<char*>(p) - kHeader);
}

void* reallocate(cmsContext context, void* p, cmsUInt32Number size) {
    if (!p) return allocate(context, size);
    void* grown = allocate(context, size);
    if (!grown) return nullptr;  // lcms2 keeps and later frees the old block
    std::memcpy(grown, p, std::min(size, sizeOf(p)));
    release(context, p);
    return grown;
}

cmsPluginMemHandler memoryPlugin() {
    cmsPluginMemHandler plugin{};
    plugin.base.Magic = cmsPluginMagicNumber;
    plugin.base.ExpectedVersion = LCMS_VERSION;
    plugin.base.Type = cmsPluginMemHandlerSig;
    plugin.base.Next = nullptr;
    plugin.MallocPtr = allocate;
    plugin.FreePtr = release;
    plugin.ReallocPtr = reallocate;
    return plugin;
}

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

cmsToneCurve* curveOf(cmsContext context, Transfer transfer, double encodingGamma) {
    switch (transfer) {
        case Transfer::Srgb: {
            const cmsFloat64Number p[] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
            return cmsBuildParametricToneCurve(context, 4, p);
        }
        case Transfer::Bt709: {
            const cmsFloat64Number p[] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
            return cmsBuildParametricToneCurve(context, 4, p);
        }
        case Transfer::Power:
            // Exponents outside this range are damage, not a picture anyone made on purpose.
            if (!std::isfinite(encodingGamma) || encodingGamma < 0.05 || encodingGamma > 5) return nullptr;
            return cmsBuildGamma(context, 1 / encodingGamma);
    }
    return nullptr;
}

bool sane(double v) {
    return std::isfinite(v) && v >= 0 && v <= 1;
}

bool allGrey(const QImage& picture) {
    const int step = picture.format() == QImage::Format_ARGB32 ? 4 : 3;
    const auto rowBytes = static_cast<qsizetype>(step) * picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* p = picture.constScanLine(y);
        for (qsizetype x = 0; x < rowBytes; x += step)
            if (p[x] != p[x + 1] || p[x] != p[x + 2]) return false;
    }
    return true;
}

// A profile describes samples of one colour space; applied to others it reads the wrong channels
// (a grey profile on a colour picture turns it grey). `picture`, when given, settles what a reader
// could not tell.
bool matches(std::uint32_t space, Samples samples, const QImage* picture) {
    if (space == cmsSigRgbData) return samples == Samples::Rgb || samples == Samples::Unknown;
    if (space == cmsSigGrayData)
        return samples == Samples::Grey || (samples == Samples::Unknown && picture && allGrey(*picture));
    return false;
}

cmsHPROFILE profileFrom(cmsContext context, const ColourSource& source, const QImage* picture) {
    if (!source.iccProfile.isEmpty()) {
        cmsHPROFILE p = cmsOpenProfileFromMemTHR(context, source.iccProfile.constData(),
                                                 static_cast<cmsUInt32Number>(source.iccProfile.size()));
        if (!p) return nullptr;
        // As plain numbers: a profile may hold values the library's enumerations do not name.
        const std::uint32_t space = cmsGetColorSpace(p);
        const std::uint32_t cls = cmsGetDeviceClass(p);
        const bool usable = matches(space, source.samples, picture) &&
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
    cmsToneCurve* curve = curveOf(context, source.transfer.value_or(Transfer::Srgb), source.encodingGamma);
    if (!curve) return nullptr;
    const cmsCIExyY white{c.whiteX, c.whiteY, 1.0};
    const cmsCIExyYTRIPLE primaries{
        {c.redX, c.redY, 1.0}, {c.greenX, c.greenY, 1.0}, {c.blueX, c.blueY, 1.0}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE p = cmsCreateRGBProfileTHR(context, &white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return p;
}

// lcms2 accepts profiles whose numbers make nonsense (a zero or singular matrix, a curve of
// gamma 0, huge or negative parameters) and would turn the picture black, white or grey. A
// conversion is used only if it sends black near black and white near white, a grey ramp up
// monotonically through something neither black nor white nor strongly tinted, and each
// primary to a colour where that primary leads.
bool behavesLikeAPicture(cmsHTRANSFORM transform, bool grey, bool alpha) {
    const int size = alpha ? 4 : 3;
    std::vector<int> ramp;
    for (int v = 0; v < 256; v += 16) ramp.push_back(v);
    ramp.push_back(255);
    const std::array<std::array<std::uint8_t, 3>, 3> primaries{{{0, 0, 255}, {0, 255, 0}, {255, 0, 0}}};
    const std::size_t count = ramp.size() + (grey ? 0 : primaries.size());
    std::vector<std::uint8_t> probe(count * static_cast<std::size_t>(size), 255);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        std::fill_n(probe.begin() + static_cast<std::ptrdiff_t>(i) * size, 3,
                    static_cast<std::uint8_t>(ramp[i]));
    if (!grey)
        for (std::size_t i = 0; i < primaries.size(); ++i)
            std::copy(primaries[i].begin(), primaries[i].end(),
                      probe.begin() + static_cast<std::ptrdiff_t>(ramp.size() + i) * size);
    cmsDoTransform(transform, probe.data(), probe.data(), static_cast<cmsUInt32Number>(count));

    const auto at = [&](std::size_t i) { return probe.data() + i * static_cast<std::size_t>(size); };
    const auto lowest = [](const std::uint8_t* p) { return std::min({p[0], p[1], p[2]}); };
    const auto highest = [](const std::uint8_t* p) { return std::max({p[0], p[1], p[2]}); };
    if (highest(at(0)) > 64 || lowest(at(ramp.size() - 1)) < 192) return false;
    for (std::size_t i = 1; i < ramp.size(); ++i)
        for (int c = 0; c < 3; ++c)
            if (at(i)[c] + 2 < at(i - 1)[c]) return false;
    const std::uint8_t* middle = at(8);  // 128
    if (highest(middle) < 8 || lowest(middle) > 247 || highest(middle) - lowest(middle) > 64) return false;
    if (!grey)
        for (int i = 0; i < 3; ++i) {
            const std::uint8_t* p = at(ramp.size() + static_cast<std::size_t>(i));
            const int lead = 2 - i;  // blue-green-red bytes: red leads the first probe
            for (int c = 0; c < 3; ++c)
                if (c != lead && p[lead] < p[c] + 64) return false;
        }
    return true;
}

std::unique_ptr<SrgbConversion> conversionFor(const ColourSource& source, bool alpha, const QImage* picture) {
    if (source.isSrgb()) return nullptr;
    if (source.iccProfile.size() > kMaxProfileBytes) return nullptr;
    auto state = std::make_unique<SrgbConversion::State>(
        kBaseAllowance + kAllowancePerProfileByte * static_cast<std::size_t>(source.iccProfile.size()));
    cmsPluginMemHandler plugin = memoryPlugin();
    state->context = cmsCreateContext(&plugin, &state->allowance);
    if (!state->context) return nullptr;
    const Profile in(profileFrom(state->context, source, picture));
    if (!in.handle) return nullptr;
    const Profile srgb(cmsCreate_sRGBProfileTHR(state->context));
    if (!srgb.handle) return nullptr;
    // A grey profile reads the first byte of each pixel (the pictures are grey, all three equal)
    // and skips the rest.
    const bool grey = static_cast<std::uint32_t>(cmsGetColorSpace(in.handle)) == cmsSigGrayData;
    const cmsUInt32Number greyFormat =
        COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(alpha ? 3 : 2);
    const cmsUInt32Number rgbFormat = alpha ? TYPE_BGRA_8 : TYPE_BGR_8;
    state->transform = cmsCreateTransformTHR(state->context, in.handle, grey ? greyFormat : rgbFormat,
                                             srgb.handle, rgbFormat, INTENT_PERCEPTUAL, 0);
    if (!state->transform || !behavesLikeAPicture(state->transform, grey, alpha)) return nullptr;
    return std::unique_ptr<SrgbConversion>(new SrgbConversion(std::move(state)));
}

}  // namespace

SrgbConversion::SrgbConversion(std::unique_ptr<State> state) : state_(std::move(state)) {}

SrgbConversion::~SrgbConversion() = default;

std::unique_ptr<SrgbConversion> SrgbConversion::make(const ColourSource& source, bool alpha) {
    return conversionFor(source, alpha, nullptr);
}

void SrgbConversion::convertRow(std::uint8_t* pixels, std::uint32_t width) const {
    // In place: input and output pixels have the same size, and alpha is left where it is.
    cmsDoTransform(state_->transform, pixels, pixels, width);
}

void SrgbConversion::convert(QImage& picture) const {
    const auto width = static_cast<std::uint32_t>(picture.width());
    for (int y = 0; y < picture.height(); ++y) convertRow(picture.scanLine(y), width);
}

void convertToSrgb(QImage& picture, const ColourSource& source) {
    if (picture.isNull() || source.isSrgb()) return;
    const bool alpha = picture.format() == QImage::Format_ARGB32;
    if (!alpha && picture.format() != QImage::Format_BGR888) return;
    if (const auto conversion = conversionFor(source, alpha, &picture)) conversion->convert(picture);
}

}  // namespace codecs::detail
