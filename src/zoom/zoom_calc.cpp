#include "zoom/zoom_calc.h"

#include "zoom/pixel_math.h"

namespace zoom {

// Each value is evaluated in double exactly as written, left to right; the halves are exact.
std::uint8_t zoomcalc(int a, int b, int c, int d, double fx, double fy, unsigned flags) {
    double v = 0;
    switch (flags & kAllNeighbours) {
        case 0b1111:
            v = a + fx * (b - a) + fy * (c - a) + fx * fy * (a - b - c + d);
            break;
        case 0b1110:
            v = a + fx * (b - a) + fy * (c - a);
            break;
        case 0b1101:
            v = a + fx * (b - a) + fy * (d - b);
            break;
        case 0b1011:
            v = a + fx * (d - c) + fy * (c - a);
            break;
        case 0b0111:
            v = (b + c - d) + fx * (d - c) + fy * (d - b);
            break;
        case 0b1100:
            v = a + fx * (b - a);
            break;
        case 0b1010:
            v = a + fy * (c - a);
            break;
        case 0b0101:
            v = b + fy * (d - b);
            break;
        case 0b0011:
            v = c + fx * (d - c);
            break;
        case 0b1001:
            v = a + fx * ((d - a) / 2.0) + fy * ((d - a) / 2.0);
            break;
        case 0b0110:
            v = (b + c) / 2.0 + fx * ((b - c) / 2.0) + fy * ((c - b) / 2.0);
            break;
        case 0b1000:
            v = a;
            break;
        case 0b0100:
            v = b;
            break;
        case 0b0010:
            v = c;
            break;
        case 0b0001:
            v = d;
            break;
        default:
            v = 0;
            break;
    }
    return detail::channelByte(v);
}

double coverageOf(unsigned flags, double fx, double fy) {
    // A neighbour left out adds an exact 0, so the sum of the others keeps their order.
    double c = 0;
    if (flags & kTopLeft) c += (1 - fx) * (1 - fy);
    if (flags & kTopRight) c += fx * (1 - fy);
    if (flags & kBottomLeft) c += (1 - fx) * fy;
    if (flags & kBottomRight) c += fx * fy;
    return c;
}

}  // namespace zoom
