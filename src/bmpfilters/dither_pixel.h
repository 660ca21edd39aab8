#pragma once

#include <cstdint>

#include "bmpfilters/filter_bitmap.h"

namespace bmpfilters {

// Floyd-Steinberg step for FilterBitmap; context is a TQuantizeColor*. The output pixel is the
// quantized colour; per channel the error d = q - c goes to the right (7/16), below left (3/16),
// below (5/16) and below right (1/16) as value - trunc(k * d / 16), clamped to 0..255.
void DitherPixel(int x, int y, const FilterWindow& window, std::uint8_t* out, void* context);

}  // namespace bmpfilters
