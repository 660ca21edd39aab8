#pragma once

// The passes of other units as stages; header-only, so that the pipeline itself needs none of
// them and a caller links the units it uses.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "collage/compose.h"
#include "stream/pipeline.h"
#include "zoom/pass.h"

namespace stream {

// A scaling or rotation pass over one input.
class PassStages : public Stages {
public:
    explicit PassStages(const zoom::BandPass& pass) : pass_(pass) {}
    QSize size() const override { return pass_.size(); }
    std::pair<int, int> reads(std::size_t, int top, int bottom) const override {
        const zoom::RowSpan span = pass_.sourceRows(top, bottom);
        return {span.first, span.last};
    }
    void run(std::uint8_t* first, qsizetype stride, int top, int bottom) const override {
        pass_.run(first, stride, top, bottom);
    }

private:
    const zoom::BandPass& pass_;
};

// Composition, each input the picture of one layer: `inputLayers[i]` is the layer input i fills.
class ComposeStages : public Stages {
public:
    ComposeStages(const collage::Composer& composer, std::vector<std::size_t> inputLayers)
        : composer_(composer), inputLayers_(std::move(inputLayers)) {}
    QSize size() const override { return composer_.size(); }
    std::pair<int, int> reads(std::size_t input, int top, int bottom) const override {
        return composer_.pictureRows(inputLayers_.at(input), top, bottom);
    }
    void run(std::uint8_t* first, qsizetype stride, int top, int bottom) const override {
        composer_.run(first, stride, top, bottom);
    }

private:
    const collage::Composer& composer_;
    std::vector<std::size_t> inputLayers_;
};

}  // namespace stream
