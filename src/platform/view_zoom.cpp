#include "platform/view_zoom.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/round.h"

namespace platform {

namespace {

constexpr std::array<double, 17> kSteps{1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3,
                                        1.0 / 2,  2.0 / 3,  1.0,     1.5,     2.0,     3.0,
                                        4.0,      6.0,      8.0,     12.0,    16.0};

// Steps compare with a little slack, so that a fitted zoom just below a step steps past it.
constexpr double kSlack = 1e-9;

}  // namespace

double zoomIn(double zoom) {
    for (double s : kSteps)
        if (s > zoom + kSlack) return s;
    return kMaxZoom;
}

double zoomOut(double zoom) {
    for (auto it = kSteps.rbegin(); it != kSteps.rend(); ++it)
        if (*it < zoom - kSlack) return *it;
    return kMinZoom;
}

double fitZoom(QSize picture, QSize viewport) {
    if (picture.isEmpty() || viewport.isEmpty()) return 1.0;
    const double z = std::min(static_cast<double>(viewport.width()) / picture.width(),
                              static_cast<double>(viewport.height()) / picture.height());
    return std::clamp(z, kMinZoom, kMaxZoom);
}

QString zoomText(double zoom) {
    // Every zoom alike: at most two decimals, and none that are zero (12.5 %, 6.25 %, 33.33 %).
    QString digits = QString::number(std::round(zoom * 10000) / 100, 'f', 2);
    while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
    if (digits.endsWith(QLatin1Char('.'))) digits.chop(1);
    return digits + QStringLiteral(" %");
}

QPoint ViewScale::pixelAt(QPointF logical) const {
    const QPointF p = toPicture(logical);
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

namespace {

// A place far beyond any screen, yet small enough that the width between two of them still
// fits an int: a typed position of a thousand million at 1600 % lands there instead of wrapping.
constexpr double kFarthest = 1 << 30;

int clampedView(double logical) {
    return static_cast<int>(std::clamp(logical, -kFarthest, kFarthest));
}

}  // namespace

int ViewScale::toView(int v) const {
    return clampedView(std::floor(v * factor()));
}

QRect ViewScale::toView(const QRect& r) const {
    const int left = toView(r.left());
    const int top = toView(r.top());
    const int right = clampedView(std::ceil((static_cast<double>(r.left()) + r.width()) * factor()));
    const int bottom = clampedView(std::ceil((static_cast<double>(r.top()) + r.height()) * factor()));
    return QRect(left, top, right - left, bottom - top);
}

int ViewScale::distance(double logical) const {
    return base::roundEvenInt(logical / factor());
}

}  // namespace platform
