#include "zoom_test_util.h"

#include "base/image.h"

namespace zoomtest {

QImage row(std::initializer_list<base::Colour> colours) {
    QImage img = base::makeBgr(static_cast<int>(colours.size()), 1);
    int x = 0;
    for (base::Colour c : colours) base::setPixel(img, x++, 0, c);
    return img;
}

QImage redRow(std::initializer_list<int> reds) {
    QImage img = base::makeBgr(static_cast<int>(reds.size()), 1);
    int x = 0;
    for (int r : reds) base::setPixel(img, x++, 0, base::rgb(static_cast<std::uint8_t>(r), 0, 0));
    return img;
}

std::vector<int> redsOf(const QImage& picture, int y) {
    std::vector<int> out;
    for (int x = 0; x < picture.width(); ++x) out.push_back(base::red(base::pixelAt(picture, x, y)));
    return out;
}

std::vector<base::Colour> coloursOf(const QImage& picture, int y) {
    std::vector<base::Colour> out;
    for (int x = 0; x < picture.width(); ++x) out.push_back(base::pixelAt(picture, x, y));
    return out;
}

}  // namespace zoomtest
