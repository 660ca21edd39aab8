#pragma once

#include <QColor>

#include "platform/widgets.h"

namespace load {

// A rectangle outline, one pixel thick, with nothing drawn inside: either in a colour or by
// inverting the pixels under it, so it shows on any picture. It takes mouse presses anywhere in
// its rectangle, its empty interior included, and passes them on as signals; Qt's implicit
// grab sends the moves and the release of a gesture to it even when the pointer leaves it.
class Outline : public platform::MouseArea {
    Q_OBJECT
public:
    enum class Ink { Invert, Colour };

    explicit Outline(Ink ink, QWidget* parent = nullptr);

    void setInk(Ink ink);
    Ink ink() const { return ink_; }
    void setColour(const QColor& colour);
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Ink ink_;
    QColor colour_{Qt::black};
};

}  // namespace load
