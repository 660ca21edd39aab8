#pragma once

#include <QWidget>

namespace load {

// A slide bar that doubles as a ruler: a channel with a selection range drawn beside the
// selected values and a thumb that is plain or points toward the picture (down for a horizontal
// bar, right for a vertical one). Value v is drawn at pixel kThumbInset + (v - minimum) along the
// bar, so a bar whose first pixel lies kThumbInset + 1 pixels before picture column 0, with
// minimum -1, puts value v over column v. The bar is (maximum - minimum) + 2 * kThumbInset + 1
// pixels long.
//
// Only the user's own moves emit moved(): dragging the thumb, the cursor keys, Home and End.
// Setting the range, value or selection from code is silent. The page size is 0: clicking the
// channel beside the thumb and the page keys move nothing.
class SlideBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kThumbInset = 12;
    static constexpr int kThickness = 22;

    explicit SlideBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    Qt::Orientation orientation() const { return orientation_; }

    void setRange(int minimum, int maximum);
    void setMaximum(int maximum) { setRange(minimum_, maximum); }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }

    // Clamped to the range.
    void setValue(int value);
    int value() const { return value_; }

    void setSelection(int start, int end);
    void setSelectionStart(int start) { setSelection(start, selectionEnd_); }
    void setSelectionEnd(int end) { setSelection(selectionStart_, end); }
    int selectionStart() const { return selectionStart_; }
    int selectionEnd() const { return selectionEnd_; }

    void setThumbPointing(bool pointing);
    bool thumbPointing() const { return pointing_; }

    // Length along the bar: its width (horizontal) or height (vertical).
    void setLength(int length);
    int length() const;

    // The pixel along the bar where value v is drawn, and the value under a pixel (clamped). At
    // a view scale other than 1 each value takes `scale` pixels, so the ruler follows a zoomed
    // picture: value v still stands over the start of picture column v.
    int pixelOf(int v) const;
    int valueAt(int pixel) const;
    void setScale(double scale);
    double scale() const { return scale_; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void moved(int value);
    void entered();  // the bar received the keyboard focus
    void exited();   // the bar lost it

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int along(const QPointF& p) const;
    bool onThumb(const QPointF& p) const;
    void userMove(int value);

    Qt::Orientation orientation_;
    int minimum_ = -1;
    int maximum_ = 10;
    int value_ = -1;
    int selectionStart_ = 0;
    int selectionEnd_ = 0;
    bool pointing_ = false;
    bool dragging_ = false;
    int grabOffset_ = 0;
    double scale_ = 1.0;
};

}  // namespace load
