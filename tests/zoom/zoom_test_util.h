#pragma once

#include <initializer_list>
#include <vector>

#include <QImage>

#include "base/colour.h"

namespace zoomtest {

// A w × 1 picture of the given colours, left to right.
QImage row(std::initializer_list<base::Colour> colours);

// A w × 1 picture whose red bytes are `reds` (green and blue 0).
QImage redRow(std::initializer_list<int> reds);

// The red bytes of row y.
std::vector<int> redsOf(const QImage& picture, int y = 0);

// Every pixel of row y.
std::vector<base::Colour> coloursOf(const QImage& picture, int y = 0);

}  // namespace zoomtest
