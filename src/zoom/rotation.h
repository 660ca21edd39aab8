#pragma once

#include <memory>

#include <QImage>
#include <QSize>

#include "base/colour.h"
#include "zoom/pass.h"

namespace zoom {

// Radians of `degrees` plus `hundredths` / 100 degrees (added whatever the sign: −45 and 50 is
// −44.5°). Formed in long double, with π in long double, then held as a double.
double rotationAngle(int degrees, int hundredths);

// The bounding box of a w × h picture turned by `angle`: the ceilings of the double values, so a
// quarter turn of 200 × 100 gives 101 × 200 (its cosine is 6e−17, not 0).
QSize rotatedSize(QSize source, double angle);

struct RotateOptions {
    double angle = 0;          // radians; positive turns clockwise on the screen
    base::Colour gap = 0;      // "隙間色": where the picture does not reach
    bool blendBorder = false;  // "枠補正なし" unchecked: neighbours outside take part as the gap colour
    KeyOptions key;            // key.colour only marks pixels to leave out; gaps get `gap`
};

// Turns `src` (read as 24 bits) about its centre into a new BGR888 picture of `size`, sampling with
// the neighbour interpolation and keep test of the scaling passes. Throws base::Error for a size
// outside the budget.
QImage rotate(const QImage& src, QSize size, const RotateOptions& options, const Progress& progress = {});

// The same pass a band at a time.
std::unique_ptr<BandPass> rotateBands(const QImage& src, QSize size, const RotateOptions& options);

}  // namespace zoom
