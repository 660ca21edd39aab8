#include "load/window/outline.h"

#include <QMouseEvent>
#include <QPainter>

namespace load {

Outline::Outline(Ink ink, QWidget* parent) : platform::MouseArea(parent), ink_(ink) {
    // Nothing of our own under the outline: the picture shows through the interior.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void Outline::setInk(Ink ink) {
    ink_ = ink;
    update();
}

void Outline::setColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void Outline::paintEvent(QPaintEvent*) {
    const int w = width();
    const int h = height();
    if (w <= 0 || h <= 0) return;
    QPainter p(this);
    QColor ink = colour_;
    if (ink_ == Ink::Invert) {
        // White by difference gives 255 - d in each channel. Each pixel is touched once: a
        // second pass would invert it back.
        p.setCompositionMode(QPainter::CompositionMode_Difference);
        ink = Qt::white;
    }
    p.fillRect(QRect(0, 0, w, 1), ink);
    if (h > 1) p.fillRect(QRect(0, h - 1, w, 1), ink);
    if (h > 2) {
        p.fillRect(QRect(0, 1, 1, h - 2), ink);
        if (w > 1) p.fillRect(QRect(w - 1, 1, 1, h - 2), ink);
    }
}

}  // namespace load
