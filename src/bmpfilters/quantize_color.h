#pragma once

#include "base/colour.h"

namespace bmpfilters {

// A rule that maps a 24-bit colour to the colour it is reduced to.
class TQuantizeColor {
public:
    virtual ~TQuantizeColor() = default;
    virtual base::Colour QuantizeColor(base::Colour c) const = 0;
};

// Each channel becomes the value of its level in the static palette.
class TQuantizeToStaticColor : public TQuantizeColor {
public:
    base::Colour QuantizeColor(base::Colour c) const override;
};

}  // namespace bmpfilters
