// Choosing, moving, layering and keying pieces in the main window.
#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "base/image.h"
#include "base/number.h"
#include "collage/rules.h"
#include "collage/texts.h"
#include "collage/window/tkadrel.h"
#include "platform/desktop.h"

namespace collage {

void Tkadrel::moving(int left, int top, double snapThreshold) {
    const Document::DragStep step = doc_.dragTo(QPoint(left, top), snapThreshold);
    syncPieces();
    picLeft->setText(QString::number(step.position.x()));
    picTop->setText(QString::number(step.position.y()));
    std::vector<double> vertical, horizontal;
    const double f = viewScale().factor();
    for (const Guide& g : step.guides)
        (g.vertical ? vertical : horizontal).push_back(static_cast<double>(g.doubled) / 2 * f);
    guides->setLines(std::move(vertical), std::move(horizontal));
}

void Tkadrel::ImageMouseDown(platform::PictureControl* sender, QMouseEvent* event) {
    // Every gesture works in canvas pixels, whatever the view zoom.
    const QPointF pointer = sender->mapTo(main, event->position());
    const QPoint pixel = viewScale().pixelAt(pointer);
    const int slot = slotAt(pixel, sender);
    if (slot < 0) return;
    const Rect& pressed = table().pieceRect(slot);
    if (transpick->isChecked()) {
        pickColour(sender, QPoint(pixel.x() - pressed.left, pixel.y() - pressed.top));
        return;
    }
    dragBase_ = {pointer, pressed.left, pressed.top};
    redrawing([&] { doc_.beginDrag(slot); });  // ends a drag or a preview still open as a step of its own
    pickchange();
}

void Tkadrel::ImageMouseMove(QWidget* sender, QMouseEvent* event) {
    if (!doc_.dragging() || pieceCount() == 0) return;
    const platform::ViewScale scale = viewScale();
    const QPointF pointer = sender->mapTo(main, event->position());
    const Rect pickBefore = table().current()->pieceRect;
    // The pointer against the piece before this step, in canvas pixels.
    const QPointF rel = scale.toPicture(pointer) - QPointF(pickBefore.left, pickBefore.top);
    const int left = dragBase_.left + scale.distance(pointer.x() - dragBase_.pointer.x());
    const int top = dragBase_.top + scale.distance(pointer.y() - dragBase_.pointer.y());
    // Shift held suspends snapping for as long as it is held.
    const bool snap = options().snap && !(event->modifiers() & Qt::ShiftModifier);
    moving(left, top, snap ? snapThreshold(viewZoom_) : 0);
    const Rect& now = table().current()->pieceRect;
    if (QPoint(now.left, now.top) == QPoint(left, top) || !guides->isHidden()) return;
    // A rule stopped the piece: while the pointer is still over it, it follows from here.
    Anchor a;
    const QPoint relPixel(static_cast<int>(std::floor(rel.x())), static_cast<int>(std::floor(rel.y())));
    if (reanchor(relPixel, pickBefore, QPoint(now.left, now.top), &a))
        dragBase_ = {(rel + QPointF(now.left, now.top)) * scale.factor(), now.left, now.top};
}

void Tkadrel::ImageMouseUp(platform::PictureControl*, QMouseEvent*) {
    guides->setLines({}, {});
    if (!doc_.dragging()) return;
    // The whole drag, from press to release, is one step; the refit comes at its end, and a refit
    // the budget refuses takes the whole drag back.
    redrawing([this] { doc_.endDrag(); });
}

bool Tkadrel::hasEditFocus() const {
    const QWidget* f = QApplication::focusWidget();
    return f == pickn || f == picLeft || f == picTop || f == sizeX || f == sizeY;
}

void Tkadrel::FormKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        QWidget* f = QApplication::focusWidget();
        if (f == pickn) picknExit();
        if (f == sizeX) sizeXExit();
        if (f == sizeY) sizeYExit();
        if (f == picLeft) picLeftExit();
        if (f == picTop) picTopExit();
        // The exit already ran: leave the edit without running it a second time. A refused
        // value keeps the focus in its edit, which shows the table's value again.
        suppressExit_ = true;
        Clickout();
        suppressExit_ = false;
    }
    const QWidget* f = QApplication::focusWidget();
    if (pieceCount() == 0 || (f && f != this)) return;
    int dx = 0, dy = 0;
    switch (key) {
        case Qt::Key_Left:
            dx = -1;
            break;
        case Qt::Key_Right:
            dx = 1;
            break;
        case Qt::Key_Up:
            dy = -1;
            break;
        case Qt::Key_Down:
            dy = 1;
            break;
        default:
            break;
    }
    if (dx != 0 || dy != 0) {
        act(StepKind::Nudge, [&](PieceTable& t, const Options& o) { t.nudge(dx, dy, o); });
        Clickout();
    }
}

void Tkadrel::picknExit() {
    if (pieceCount() == 0) {
        pickn->setText(QStringLiteral("0"));
        return;
    }
    const int slot = base::parseInt(pickn->text());
    act(StepKind::Other, [&](PieceTable& t, const Options&) { t.pick(slot); });
    pickchange();
}

void Tkadrel::UpDownpicknMouseDown() {
    if (pieceCount() <= 1) return;
    picknExit();
}

void Tkadrel::picLeftExit() {
    act(StepKind::Other, [this](PieceTable& t, const Options& o) {
        const int a = base::parseInt(picLeft->text());
        t.typeLeft(a, o);
    });
    if (table().autoSize() && pieceCount() > 0) Clickout();
}

void Tkadrel::picTopExit() {
    act(StepKind::Other, [this](PieceTable& t, const Options& o) {
        const int a = base::parseInt(picTop->text());
        t.typeTop(a, o);
    });
    if (table().autoSize() && pieceCount() > 0) Clickout();
}

void Tkadrel::UpDownPLMouseDown() {
    picLeftExit();
}
void Tkadrel::UpDownPTMouseDown() {
    picTopExit();
}

void Tkadrel::offsetClick() {
    const bool down = offset->isChecked();
    QPalette pal = offset->palette();
    pal.setColor(QPalette::ButtonText, down ? Qt::black : Qt::white);
    offset->setPalette(pal);
    offsetX->setVisible(down);
    offsetY->setVisible(down);
    fit->setVisible(!down);
}

void Tkadrel::offsetXClick(platform::UpDown::Button button) {
    const int d = button == platform::UpDown::Button::Up ? 1 : -1;
    act(StepKind::Other, [&](PieceTable& t, const Options& o) { return t.offsetBy(d, 0, o); });
}

void Tkadrel::offsetYClick(platform::UpDown::Button button) {
    // The vertical spinner counts down with its upper arrow, which moves the pieces up.
    const int d = button == platform::UpDown::Button::Up ? -1 : 1;
    act(StepKind::Other, [&](PieceTable& t, const Options& o) { return t.offsetBy(0, d, o); });
}

void Tkadrel::overpicsClick() {
    if (!overpics->isChecked()) return;
    const QString report = overlapReport(table().rects());
    if (!report.isEmpty()) desktop_.notice(this, report);
}

void Tkadrel::outframeClick() {
    if (!outframe->isChecked()) return;
    const QString report = outsideReport(table().rects(), canvasWidth(), canvasHeight());
    if (!report.isEmpty()) desktop_.notice(this, report);
}

void Tkadrel::intransClick() {
    const bool on = intrans->isChecked();
    if (pieceCount() == 0) {
        intrans->setChecked(false);
        return;
    }
    act(StepKind::Other, [&](PieceTable& t, const Options&) { t.setTransparent(on); });
}

void Tkadrel::pickColour(platform::PictureControl*, QPoint at) {
    const Piece* piece = table().current();
    if (piece == nullptr) return;
    // A press on another piece reads the current piece at that offset; outside its picture
    // there is nothing to read, and nothing changes.
    if (!piece->picture.rect().contains(at)) return;
    const base::Colour c = base::pixelAt(piece->picture, at.x(), at.y());
    transpick->setChecked(false);
    act(StepKind::Other, [&](PieceTable& t, const Options&) { t.setTransColor(c); });
}

void Tkadrel::exchange(bool up) {
    const int from = pickIndex();
    act(StepKind::Other, [&](PieceTable& t, const Options&) { t.raise(up); });
    if (pickIndex() == from) return;
    // The scratch picture ends as the picture of the piece that gave up its slot.
    composite_ = table().piece(from).picture;
    pickchange();
}

void Tkadrel::rawupClick() {
    exchange(true);
}

void Tkadrel::rawdownClick() {
    exchange(false);
}

void Tkadrel::rawdeleteClick() {
    if (hasEditFocus() || pieceCount() == 0) return;
    if (!desktop_.confirm(this, texts::confirmDelete())) return;
    act(StepKind::Other, [](PieceTable& t, const Options&) { t.removeCurrent(); });
    if (pieceCount() > 0) pickchange();
}

}  // namespace collage
