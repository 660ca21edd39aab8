#include "load/window/slide_bar.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

namespace load {

namespace {

constexpr int kThumbHalf = 5;  // the thumb is 11 pixels along the bar
constexpr int kChannelFrom = 8;
constexpr int kChannelTo = 13;

// Focus changes that leave the focus where it was as far as the window is concerned: another
// window became active, or a menu opened. Those are no enter or exit of the bar.
bool windowLevel(Qt::FocusReason reason) {
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

}  // namespace

SlideBar::SlideBar(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(true);
}

void SlideBar::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    value_ = std::clamp(value_, minimum_, maximum_);
    update();
}

void SlideBar::setValue(int value) {
    value = std::clamp(value, minimum_, maximum_);
    if (value == value_) return;
    value_ = value;
    update();
}

void SlideBar::setSelection(int start, int end) {
    selectionStart_ = start;
    selectionEnd_ = end;
    update();
}

void SlideBar::setThumbPointing(bool pointing) {
    if (pointing_ == pointing) return;
    pointing_ = pointing;
    update();
}

void SlideBar::setLength(int length) {
    if (orientation_ == Qt::Horizontal)
        resize(length, kThickness);
    else
        resize(kThickness, length);
}

int SlideBar::length() const {
    return orientation_ == Qt::Horizontal ? width() : height();
}

int SlideBar::pixelOf(int v) const {
    if (scale_ == 1.0) return kThumbInset + (v - minimum_);
    return kThumbInset + 1 + static_cast<int>(std::floor((v - minimum_ - 1) * scale_));
}

int SlideBar::valueAt(int pixel) const {
    if (scale_ == 1.0) return std::clamp(minimum_ + pixel - kThumbInset, minimum_, maximum_);
    const int v = minimum_ + 1 + static_cast<int>(std::floor((pixel - kThumbInset - 1) / scale_));
    return std::clamp(v, minimum_, maximum_);
}

void SlideBar::setScale(double scale) {
    scale_ = scale;
    update();
}

QSize SlideBar::sizeHint() const {
    const int len = pixelOf(maximum_) + kThumbInset + 1;
    return orientation_ == Qt::Horizontal ? QSize(len, kThickness) : QSize(kThickness, len);
}

int SlideBar::along(const QPointF& p) const {
    return static_cast<int>(orientation_ == Qt::Horizontal ? p.x() : p.y());
}

bool SlideBar::onThumb(const QPointF& p) const {
    return std::abs(along(p) - pixelOf(value_)) <= kThumbHalf;
}

void SlideBar::userMove(int value) {
    value = std::clamp(value, minimum_, maximum_);
    if (value == value_) return;
    value_ = value;
    update();
    Q_EMIT moved(value_);
}

void SlideBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            userMove(value_ - 1);
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            userMove(value_ + 1);
            break;
        case Qt::Key_Home:
            userMove(minimum_);
            break;
        case Qt::Key_End:
            userMove(maximum_);
            break;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            break;  // page size 0
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void SlideBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onThumb(event->position())) {
        dragging_ = true;
        grabOffset_ = along(event->position()) - pixelOf(value_);
    }
    event->accept();
}

void SlideBar::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) userMove(valueAt(along(event->position()) - grabOffset_));
    event->accept();
}

void SlideBar::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) dragging_ = false;
    event->accept();
}

void SlideBar::focusInEvent(QFocusEvent* event) {
    update();
    if (!windowLevel(event->reason())) Q_EMIT entered();
}

void SlideBar::focusOutEvent(QFocusEvent* event) {
    dragging_ = false;
    update();
    if (!windowLevel(event->reason())) Q_EMIT exited();
}

void SlideBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool horizontal = orientation_ == Qt::Horizontal;
    // Paint in bar coordinates: u along the bar, w across it (0 at the side away from the picture).
    if (!horizontal) p.setTransform(QTransform(0, 1, 1, 0, 0, 0));  // swap axes
    const int len = length();
    const QPalette& pal = palette();

    const int first = pixelOf(minimum_);
    const int last = pixelOf(maximum_);
    p.fillRect(QRect(first, kChannelFrom, last - first + 1, kChannelTo - kChannelFrom),
               pal.color(QPalette::Base));
    p.setPen(pal.color(QPalette::Mid));
    p.drawRect(QRect(first, kChannelFrom, last - first, kChannelTo - kChannelFrom - 1));

    // The selection range, beside the selected values: pixels start .. end - 1, and a tick at
    // each end on the side away from the picture.
    const int s = std::clamp(selectionStart_, minimum_, maximum_);
    const int e = std::clamp(selectionEnd_, minimum_, maximum_);
    if (e > s)
        p.fillRect(
            QRect(pixelOf(s), kChannelFrom + 1, pixelOf(e) - pixelOf(s), kChannelTo - kChannelFrom - 2),
            pal.color(QPalette::Highlight));
    p.setPen(pal.color(QPalette::WindowText));
    p.drawLine(pixelOf(s), 1, pixelOf(s), kChannelFrom - 2);
    p.drawLine(pixelOf(e), 1, pixelOf(e), kChannelFrom - 2);

    // The thumb.
    const int c = pixelOf(value_);
    QPolygon thumb;
    if (pointing_) {
        thumb << QPoint(c - kThumbHalf, 2) << QPoint(c + kThumbHalf, 2) << QPoint(c + kThumbHalf, 15)
              << QPoint(c, kThickness - 1) << QPoint(c - kThumbHalf, 15);
    } else {
        thumb << QPoint(c - kThumbHalf, 2) << QPoint(c + kThumbHalf, 2)
              << QPoint(c + kThumbHalf, kThickness - 3) << QPoint(c - kThumbHalf, kThickness - 3);
    }
    p.setBrush(pal.color(QPalette::Button));
    p.setPen(pal.color(QPalette::Shadow));
    p.drawPolygon(thumb);
    p.setPen(pal.color(QPalette::WindowText));
    p.drawLine(c, 4, c, pointing_ ? kThickness - 3 : kThickness - 5);

    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(pal.color(QPalette::WindowText), 1, Qt::DotLine));
        p.drawRect(QRect(0, 0, len - 1, kThickness - 1));
    }
}

}  // namespace load
