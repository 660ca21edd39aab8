#include "platform/widgets.h"

#include <algorithm>
#include <cmath>

#include <QBoxLayout>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>

#include "base/number.h"
#include "platform/guard.h"

namespace platform {

void textColour(QWidget* w, QPalette::ColorRole role, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Active, role, c);
    pal.setColor(QPalette::Inactive, role, c);
    w->setPalette(pal);
}

bool showsInFull(const QLineEdit* edit, const QString& text) {
    const_cast<QLineEdit*>(edit)->ensurePolished();
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    if (edit->isReadOnly()) option.state |= QStyle::State_ReadOnly;
    const QRect contents = edit->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                               .marginsRemoved(edit->textMargins());
    constexpr int kEditMargin = 2;  // QLineEdit's own, each side
    const QFontMetrics metrics(edit->font());
    // As QLineEdit decides whether to scroll: the advance and a pixel for the cursor.
    return metrics.horizontalAdvance(text) + 1 <= contents.width() - 2 * kEditMargin;
}

void fitNumbers(QLineEdit* edit, const QStringList& widest, int smallest) {
    auto fits = [&] {
        return std::all_of(widest.begin(), widest.end(),
                           [&](const QString& t) { return showsInFull(edit, t); });
    };
    QFont font = edit->font();
    int size = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    while (!fits() && size > smallest) {
        font.setPixelSize(--size);
        edit->setFont(font);
    }
}

UpDown::UpDown(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    QBoxLayout* layout = orientation == Qt::Vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(this))
                                                     : static_cast<QBoxLayout*>(new QHBoxLayout(this));
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (orientation == Qt::Vertical) {
        up_->setArrowType(Qt::UpArrow);
        down_->setArrowType(Qt::DownArrow);
        layout->addWidget(up_);
        layout->addWidget(down_);
    } else {
        down_->setArrowType(Qt::LeftArrow);
        up_->setArrowType(Qt::RightArrow);
        layout->addWidget(down_);
        layout->addWidget(up_);
    }
    for (QToolButton* b : {up_, down_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    }
    connect(up_, &QToolButton::pressed, this, [this] { Q_EMIT pressed(Button::Up); });
    connect(down_, &QToolButton::pressed, this, [this] { Q_EMIT pressed(Button::Down); });
    connect(up_, &QToolButton::clicked, this, [this] { arrow(Button::Up); });
    connect(down_, &QToolButton::clicked, this, [this] { arrow(Button::Down); });
    setFocusPolicy(Qt::NoFocus);
}

void UpDown::setRange(int min, int max) {
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, std::max(min_, max_));
}

void UpDown::setPosition(int position) {
    position_ = std::clamp(position, min_, std::max(min_, max_));
    if (buddy_) buddy_->setText(QString::number(position_));
}

void UpDown::step(Button b) {
    int current = position_;
    if (buddy_) {
        int typed = 0;
        if (base::tryParseInt(buddy_->text(), typed)) current = std::clamp(typed, min_, std::max(min_, max_));
    }
    const long long next = static_cast<long long>(current) + (b == Button::Up ? increment_ : -increment_);
    int result;
    if (next > max_)
        result = wrap_ ? min_ : max_;
    else if (next < min_)
        result = wrap_ ? max_ : min_;
    else
        result = static_cast<int>(next);
    setPosition(result);
}

UpDown* spinnerBeside(QLineEdit* buddy, const char* name, Qt::Orientation orientation, int width, int min,
                      int max, int step) {
    const QRect e = buddy->geometry();
    auto* u = placed(new UpDown(orientation, buddy->parentWidget()), name,
                     {e.right() + 1, e.top(), width, e.height()});
    u->setBuddy(buddy);
    u->setRange(min, max);
    u->setIncrement(step);
    return u;
}

void UpDown::arrow(Button b) {
    const int before = position_;
    step(b);
    Q_EMIT clicked(b);
    if (position_ != before) Q_EMIT changed(b);
}

void MouseArea::mousePressEvent(QMouseEvent* event) {
    Q_EMIT mousePressed(event);
}
void MouseArea::mouseMoveEvent(QMouseEvent* event) {
    Q_EMIT mouseMoved(event);
}
void MouseArea::mouseReleaseEvent(QMouseEvent* event) {
    Q_EMIT mouseReleased(event);
}

PictureControl::PictureControl(QWidget* parent) : MouseArea(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureControl::setPicture(const QImage& picture) {
    picture_ = picture;
    fitToPicture();
    rebuildKeyed();
    update();
}

void PictureControl::setAutoSize(bool on) {
    autoSize_ = on;
    fitToPicture();
}

void PictureControl::fitToPicture() {
    if (autoSize_ && !picture_.isNull()) resize(shownSize());
}

QSize PictureControl::shownSize() const {
    return scale_.identity() ? picture_.size() : scale_.toView(picture_.size());
}

void PictureControl::setViewScale(ViewScale scale) {
    if (scale.zoom() == scale_.zoom() && scale.dpr() == scale_.dpr()) return;
    scale_ = scale;
    reduced_ = QImage();
    fitToPicture();
    update();
}

void PictureControl::setTransparent(bool on) {
    if (transparent_ == on) return;
    transparent_ = on;
    rebuildKeyed();
    update();
}

void PictureControl::setTransparentColour(base::Colour c) {
    if (key_ == c) return;
    key_ = c;
    if (transparent_) rebuildKeyed();
    update();
}

void PictureControl::rebuildKeyed() {
    keyed_ = transparent_ && !picture_.isNull() ? keyedOut(picture_, key_) : QImage();
    reduced_ = QImage();
}

void PictureControl::paintEvent(QPaintEvent* event) {
    if (picture_.isNull()) return;
    QPainter p(this);
    const QImage& shown = transparent_ ? keyed_ : picture_;
    if (scale_.identity()) {
        p.drawImage(0, 0, shown);
        return;
    }
    if (scale_.zoom() < 1.0) {
        // Reduced once per picture and scale, with an area filter so photos do not alias; a
        // drag then only moves what is already made.
        if (reduced_.isNull()) {
            const QSize device(std::max(1, static_cast<int>(std::ceil(picture_.width() * scale_.zoom()))),
                               std::max(1, static_cast<int>(std::ceil(picture_.height() * scale_.zoom()))));
            const QImage source =
                transparent_ ? shown.convertToFormat(QImage::Format_ARGB32_Premultiplied) : shown;
            reduced_ = source.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            reduced_.setDevicePixelRatio(scale_.dpr());
        }
        p.drawImage(0, 0, reduced_);
        return;
    }
    // Enlarged: each picture pixel a square, and only the part that needs drawing.
    const QRect exposed = event->rect();
    const double f = scale_.factor();
    const int x0 = std::max(0, static_cast<int>(std::floor(exposed.left() / f)));
    const int y0 = std::max(0, static_cast<int>(std::floor(exposed.top() / f)));
    const int x1 = std::min(picture_.width(), static_cast<int>(std::ceil((exposed.right() + 1) / f)));
    const int y1 = std::min(picture_.height(), static_cast<int>(std::ceil((exposed.bottom() + 1) / f)));
    if (x1 <= x0 || y1 <= y0) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRectF(x0 * f, y0 * f, (x1 - x0) * f, (y1 - y0) * f), shown,
                QRectF(x0, y0, x1 - x0, y1 - y0));
}

void PictureControl::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_EMIT doubleClicked(event);
}

Swatch::Swatch(QWidget* parent) : QWidget(parent) {}

void Swatch::setColour(base::Colour c) {
    colour_ = c;
    update();
}

void Swatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgb(base::toQRgb(colour_)));
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

QImage keyedOut(const QImage& bgr, base::Colour key) {
    QImage out(bgr.size(), QImage::Format_ARGB32);
    if (out.isNull()) return out;
    const std::uint8_t kb = base::blue(key), kg = base::green(key), kr = base::red(key);
    for (int y = 0; y < bgr.height(); ++y) {
        const std::uint8_t* s = bgr.constScanLine(y);
        auto* d = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
        for (int x = 0; x < bgr.width(); ++x, s += 3) {
            const bool clear = s[0] == kb && s[1] == kg && s[2] == kr;
            d[x] =
                clear ? 0u : (0xFF000000u | (std::uint32_t{s[2]} << 16) | (std::uint32_t{s[1]} << 8) | s[0]);
        }
    }
    return out;
}

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}

QPoint zoomAnchor(const QScrollArea* view, std::optional<QPoint> about) {
    const QWidget* port = view->viewport();
    return about.value_or(QPoint(port->width() / 2, port->height() / 2));
}

QPointF pictureUnder(const QScrollArea* view, QPoint origin, const ViewScale& scale, QPoint anchor) {
    const QPointF content(view->horizontalScrollBar()->value() + anchor.x(),
                          view->verticalScrollBar()->value() + anchor.y());
    return scale.toPicture(content - origin);
}

void scrollPictureTo(QScrollArea* view, QPoint origin, const ViewScale& scale, QPointF picture,
                     QPoint anchor) {
    const double f = scale.factor();
    view->horizontalScrollBar()->setValue(
        static_cast<int>(std::lround(picture.x() * f + origin.x() - anchor.x())));
    view->verticalScrollBar()->setValue(
        static_cast<int>(std::lround(picture.y() * f + origin.y() - anchor.y())));
}

double fitZoomIn(const QScrollArea* view, QSize picture, QSize margin, double dpr) {
    const QSize port = view->maximumViewportSize() - margin;
    return fitZoom(picture,
                   QSize(static_cast<int>(port.width() * dpr), static_cast<int>(port.height() * dpr)));
}

GuideLines::GuideLines(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void GuideLines::setLines(std::vector<double> vertical, std::vector<double> horizontal) {
    if (vertical == vertical_ && horizontal == horizontal_) return;
    vertical_ = std::move(vertical);
    horizontal_ = std::move(horizontal);
    setVisible(lineCount() > 0);
    if (isVisible()) {
        raise();
        update();
    }
}

void GuideLines::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Magenta reads on photos and on the usual backgrounds alike.
    painter.setPen(QPen(QColor(255, 0, 255), 1));
    for (double x : vertical_) painter.drawLine(QPointF(x, 0), QPointF(x, height()));
    for (double y : horizontal_) painter.drawLine(QPointF(0, y), QPointF(width(), y));
}

}  // namespace platform
