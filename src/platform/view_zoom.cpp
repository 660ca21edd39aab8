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
    const double percent = zoom * 100;
    // Whole percentages stay whole; the smallest steps keep two decimals (6.25 %).
    const double hundredths = std::round(percent * 100) / 100;
    if (std::abs(hundredths - std::round(hundredths)) < 1e-9)
        return QStringLiteral("%1 %").arg(static_cast<long long>(std::round(hundredths)));
    if (percent < 10) return QStringLiteral("%1 %").arg(hundredths, 0, 'f', 2);
    return QStringLiteral("%1 %").arg(static_cast<long long>(std::round(percent)));
}

QPoint ViewScale::pixelAt(QPointF logical) const {
    const QPointF p = toPicture(logical);
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

int ViewScale::toView(int v) const {
    return static_cast<int>(std::floor(v * factor()));
}

QRect ViewScale::toView(const QRect& r) const {
    const int left = toView(r.left());
    const int top = toView(r.top());
    const int right = static_cast<int>(std::ceil((static_cast<double>(r.left()) + r.width()) * factor()));
    const int bottom = static_cast<int>(std::ceil((static_cast<double>(r.top()) + r.height()) * factor()));
    return QRect(left, top, right - left, bottom - top);
}

int ViewScale::distance(double logical) const {
    return base::roundEvenInt(logical / factor());
}

}  // namespace platform
