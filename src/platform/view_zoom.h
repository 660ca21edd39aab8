#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>

namespace platform {

// The view zoom of a picture on the screen: how many device pixels show one picture pixel. It
// never changes a picture, only how it is shown and how the pointer maps onto it.
inline constexpr double kMinZoom = 1.0 / 16;
inline constexpr double kMaxZoom = 16.0;

// The zoom steps "拡大" and "縮小" walk, from 1/16 to 16.
double zoomIn(double zoom);
double zoomOut(double zoom);
// The zoom that shows the whole of `picture` in `viewport` (device pixels), within the steps'
// range.
double fitZoom(QSize picture, QSize viewport);
// "25 %", "6.25 %", "1600 %".
QString zoomText(double zoom);

// Picture pixels against the logical pixels of a widget on a screen of device pixel ratio `dpr`:
// at zoom 1 one picture pixel is one device pixel, so nudges and picks stay exact on a scaled
// desktop.
class ViewScale {
public:
    ViewScale(double zoom = 1.0, double dpr = 1.0) : zoom_(zoom), dpr_(dpr) {}

    double zoom() const { return zoom_; }
    double dpr() const { return dpr_; }
    // Logical pixels per picture pixel.
    double factor() const { return zoom_ / dpr_; }
    bool identity() const { return factor() == 1.0; }

    // The picture coordinate (fractional) under a logical point.
    QPointF toPicture(QPointF logical) const { return logical / factor(); }
    // The picture pixel under a logical point.
    QPoint pixelAt(QPointF logical) const;
    // Where picture coordinate v starts on the screen, in logical pixels.
    int toView(int v) const;
    QPoint toView(QPoint p) const { return QPoint(toView(p.x()), toView(p.y())); }
    // The logical rectangle that shows the picture rectangle r.
    QRect toView(const QRect& r) const;
    QSize toView(QSize s) const { return toView(QRect(QPoint(0, 0), s)).size(); }
    // A movement of the pointer by `logical` pixels, in whole picture pixels (ties to even).
    int distance(double logical) const;

private:
    double zoom_;
    double dpr_;
};

}  // namespace platform
