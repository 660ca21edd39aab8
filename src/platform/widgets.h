#pragma once

#include <optional>
#include <vector>

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QString>
#include <QWidget>

#include "base/colour.h"
#include "platform/view_zoom.h"

class QLineEdit;
class QScrollArea;
class QToolButton;

namespace platform {

// The windows' colours for the two axes: widths and the horizontal blue, heights and the
// vertical red. Green marks the button that accepts.
inline const QColor kBlue{0, 0, 255};
inline const QColor kRed{255, 0, 0};
inline const QColor kGreen{0, 128, 0};

// Gives `w` the object name its window and the tests find it by.
template <class W>
W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// Names `w` and puts it at `at` in its parent: the windows lay their controls out by hand.
template <class W>
W* placed(W* w, const char* name, QRect at) {
    named(w, name);
    w->setGeometry(at);
    return w;
}

// Colours one role of `w` while it is usable; disabled, it keeps the style's grey and looks
// disabled.
void textColour(QWidget* w, QPalette::ColorRole role, const QColor& c);

// Whether `edit` shows `text` whole, without scrolling it: the text's advance in the edit's font
// and a pixel for the cursor, within the room QLineEdit gives its text (inside its frame and text
// margins, less its own margin of 2 pixels a side).
bool showsInFull(const QLineEdit* edit, const QString& text);
// The edits of the narrow columns are fixed in size by their window and must still show the
// widest number their range allows: the edit's font is made a pixel smaller at a time, down to
// `smallest` pixels, until every text of `widest` shows in full. Call once the edit is styled.
void fitNumbers(QLineEdit* edit, const QStringList& widest, int smallest = 9);

// An up-down spinner bound to an edit: limits, a step that may be negative (a vertical spinner
// with -1 lowers the number with its upper arrow), optional wrapping. A click first takes the
// edit's number when it holds one, steps, writes the edit, then emits clicked().
class UpDown : public QWidget {
    Q_OBJECT
public:
    enum class Button { Up, Down };  // Up is the upper (vertical) or right (horizontal) arrow

    UpDown(Qt::Orientation orientation, QWidget* parent = nullptr);

    void setBuddy(QLineEdit* edit) { buddy_ = edit; }
    QLineEdit* buddy() const { return buddy_; }
    void setRange(int min, int max);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    void setMaximum(int max) { setRange(min_, max); }
    void setIncrement(int step) { increment_ = step; }
    int increment() const { return increment_; }
    void setWrap(bool wrap) { wrap_ = wrap; }
    void setPosition(int position);
    int position() const { return position_; }

    QToolButton* button(Button b) const { return b == Button::Up ? up_ : down_; }

    // Steps as a click of that arrow would, without emitting signals.
    void step(Button b);

Q_SIGNALS:
    void pressed(platform::UpDown::Button button);  // before the step
    void clicked(platform::UpDown::Button button);  // after the step
    void changed(platform::UpDown::Button button);  // after a step that changed the position

private:
    void arrow(Button b);

    QLineEdit* buddy_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    int increment_ = 1;
    int position_ = 0;
    bool wrap_ = false;
};

// A widget whose mouse presses, moves and releases become signals, for the window to handle.
class MouseArea : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

Q_SIGNALS:
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// An up-down spinner bound to `buddy`, `width` wide just right of it and as tall.
UpDown* spinnerBeside(QLineEdit* buddy, const char* name, Qt::Orientation orientation, int width, int min,
                      int max, int step);

// Thin lines drawn over a view (the guides a snapping drag lines up with); mouse events pass
// through to what lies below.
class GuideLines : public QWidget {
public:
    explicit GuideLines(QWidget* parent);
    // Lines at these places (logical pixels of the parent): vertical ones at x, horizontal at y.
    void setLines(std::vector<double> vertical, std::vector<double> horizontal);
    std::size_t lineCount() const { return vertical_.size() + horizontal_.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> vertical_, horizontal_;
};

// A picture that sizes itself to its picture and can leave one exact colour out.
class PictureControl : public MouseArea {
    Q_OBJECT
public:
    explicit PictureControl(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);  // 24-bit BGR888; resizes when autoSize
    const QImage& picture() const { return picture_; }
    void setAutoSize(bool on);
    void setTransparent(bool on);
    bool transparent() const { return transparent_; }
    void setTransparentColour(base::Colour c);
    base::Colour transparentColour() const { return key_; }
    // Shows the picture at a view zoom: reduced smoothly below one device pixel a picture pixel,
    // enlarged as squares above. With autoSize the control takes the shown size.
    void setViewScale(ViewScale scale);
    const ViewScale& viewScale() const { return scale_; }
    // The size the picture takes on the screen at the current scale.
    QSize shownSize() const;

Q_SIGNALS:
    void doubleClicked(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void rebuildKeyed();
    void fitToPicture();

    QImage picture_;
    QImage keyed_;    // ARGB32 with the key colour at alpha 0, while transparent
    QImage reduced_;  // the shown picture reduced to the scale, made when first drawn below 1
    ViewScale scale_;
    bool autoSize_ = false;
    bool transparent_ = false;
    base::Colour key_ = 0;
};

// A plain colour patch.
class Swatch : public QWidget {
    Q_OBJECT
public:
    explicit Swatch(QWidget* parent = nullptr);
    void setColour(base::Colour c);
    base::Colour colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    base::Colour colour_ = 0;
};

// Drop keyed pixels: the picture as ARGB32 with every pixel of exactly `key` made clear.
QImage keyedOut(const QImage& bgr, base::Colour key);

// The wait cursor while a long pass runs on the interface thread; restored however the pass ends.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// A picture zoomed in a scroll area, its first pixel at `origin` in the scrolled content.
// The viewport point the zoom keeps still: `about`, or the viewport's centre.
QPoint zoomAnchor(const QScrollArea* view, std::optional<QPoint> about);
// The picture point under viewport point `anchor`.
QPointF pictureUnder(const QScrollArea* view, QPoint origin, const ViewScale& scale, QPoint anchor);
// Scrolls so that picture point `picture` lies under `anchor` again.
void scrollPictureTo(QScrollArea* view, QPoint origin, const ViewScale& scale, QPointF picture,
                     QPoint anchor);
// The zoom that shows the whole picture in the view, `margin` logical pixels set aside.
double fitZoomIn(const QScrollArea* view, QSize picture, QSize margin, double dpr);

}  // namespace platform
