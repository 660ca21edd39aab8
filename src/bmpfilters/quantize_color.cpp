#include "bmpfilters/quantize_color.h"

#include "bmpfilters/static_palette.h"

namespace bmpfilters {

base::Colour TQuantizeToStaticColor::QuantizeColor(base::Colour c) const {
    const LevelTables& t = levelTables();
    return base::rgb(kRedValues[t.red[base::red(c)]], kGreenValues[t.green[base::green(c)]],
                     kBlueValues[t.blue[base::blue(c)]]);
}

}  // namespace bmpfilters
