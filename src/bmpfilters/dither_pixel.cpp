#include "bmpfilters/dither_pixel.h"

#include <algorithm>

#include "base/colour.h"
#include "bmpfilters/quantize_color.h"

namespace bmpfilters {

namespace {

void spread(std::uint8_t* p, int k, const int (&d)[3]) {
    for (int ch = 0; ch < 3; ++ch)
        p[ch] = static_cast<std::uint8_t>(std::clamp(p[ch] - k * d[ch] / 16, 0, 255));
}

}  // namespace

void DitherPixel(int, int, const FilterWindow& window, std::uint8_t* out, void* context) {
    const auto* quantizer = static_cast<const TQuantizeColor*>(context);
    std::uint8_t* c = window.pixel(0, 0);
    const base::Colour q = quantizer->QuantizeColor(base::fromBgr(c));
    out[0] = base::blue(q);
    out[1] = base::green(q);
    out[2] = base::red(q);
    // Integer division truncates toward zero, which is the rounding the error shares use.
    const int d[3] = {out[0] - c[0], out[1] - c[1], out[2] - c[2]};
    spread(window.pixel(1, 0), 7, d);
    spread(window.pixel(-1, 1), 3, d);
    spread(window.pixel(0, 1), 5, d);
    spread(window.pixel(1, 1), 1, d);
}

}  // namespace bmpfilters
