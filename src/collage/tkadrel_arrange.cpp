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
#include "collage/tkadrel.h"
#include "platform/desktop.h"

namespace collage {

void Tkadrel::moving(int left, int top) {
    const QPoint p = table_.moveCurrent(QPoint(left, top), options());
    syncPieces();
    picLeft->setText(QString::number(p.x()));
    picTop->setText(QString::number(p.y()));
}

void Tkadrel::ImageMouseDown(platform::PictureControl* sender, QMouseEvent* event) {
    // Every gesture works in canvas pixels, whatever the view zoom.
    const QPointF pointer = sender->mapTo(main, event->position());
    const QPoint pixel = viewScale().pixelAt(pointer);
    const int slot = slotAt(pixel, sender);
    if (slot < 0) return;
    const Rect& pressed = table_.pieceRect(slot);
    if (transpick->isChecked()) {
        pickColour(sender, QPoint(pixel.x() - pressed.left, pixel.y() - pressed.top));
        return;
    }
    dragging = true;
    table_.pick(slot);
    history_.breakRun();
    pickchange();
    dragBefore_ = table_;
    dragBase = {pointer, pressed.left, pressed.top};
}

void Tkadrel::ImageMouseMove(QWidget* sender, QMouseEvent* event) {
    if (!dragging || table_.pieceCount() == 0) return;
    const platform::ViewScale scale = viewScale();
    const QPointF pointer = sender->mapTo(main, event->position());
    const Rect pickBefore = table_.current()->pieceRect;
    // The pointer against the piece before this step, in canvas pixels.
    const QPointF rel = scale.toPicture(pointer) - QPointF(pickBefore.left, pickBefore.top);
    const int left = dragBase.left + scale.distance(pointer.x() - dragBase.pointer.x());
    const int top = dragBase.top + scale.distance(pointer.y() - dragBase.pointer.y());
    moving(left, top);
    const Rect& now = table_.current()->pieceRect;
    if (QPoint(now.left, now.top) == QPoint(left, top)) return;
    // A rule stopped the piece: while the pointer is still over it, it follows from here.
    Anchor a;
    const QPoint relPixel(static_cast<int>(std::floor(rel.x())), static_cast<int>(std::floor(rel.y())));
    if (reanchor(relPixel, pickBefore, QPoint(now.left, now.top), &a))
        dragBase = {(rel + QPointF(now.left, now.top)) * scale.factor(), now.left, now.top};
}

void Tkadrel::ImageMouseUp(platform::PictureControl*, QMouseEvent*) {
    if (!dragging) return;
    dragging = false;
    // The whole drag, from press to release, is one step; the refit comes at its end.
    const PieceTable before = dragBefore_;
    dragBefore_ = PieceTable();
    try {
        if (table_.autoSize()) table_.fit();
    } catch (...) {
        // A refit the budget refuses takes the whole drag back.
        table_ = before;
        refresh();
        throw;
    }
    history_.breakRun();
    history_.record(before, table_);
    refresh();
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
    if (table_.pieceCount() == 0 || (f && f != this)) return;
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
        act(StepKind::Nudge, [&] { table_.nudge(dx, dy, options()); });
        Clickout();
    }
}

void Tkadrel::picknExit() {
    if (table_.pieceCount() == 0) {
        pickn->setText(QStringLiteral("0"));
        return;
    }
    act(StepKind::Other, [this] { table_.pick(base::parseInt(pickn->text())); });
    pickchange();
}

void Tkadrel::UpDownpicknMouseDown() {
    if (table_.pieceCount() <= 1) return;
    picknExit();
}

void Tkadrel::picLeftExit() {
    act(StepKind::Other, [this] {
        const int a = base::parseInt(picLeft->text());
        table_.typeLeft(a, options());
    });
    if (table_.autoSize() && table_.pieceCount() > 0) Clickout();
}

void Tkadrel::picTopExit() {
    act(StepKind::Other, [this] {
        const int a = base::parseInt(picTop->text());
        table_.typeTop(a, options());
    });
    if (table_.autoSize() && table_.pieceCount() > 0) Clickout();
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
    act(StepKind::Other, [&] { return table_.offsetBy(d, 0, options()); });
}

void Tkadrel::offsetYClick(platform::UpDown::Button button) {
    // The vertical spinner counts down with its upper arrow, which moves the pieces up.
    const int d = button == platform::UpDown::Button::Up ? -1 : 1;
    act(StepKind::Other, [&] { return table_.offsetBy(0, d, options()); });
}

void Tkadrel::overpicsClick() {
    if (!overpics->isChecked()) return;
    const QString report = overlapReport(table_.rects());
    if (!report.isEmpty()) desktop_.notice(this, report);
}

void Tkadrel::outframeClick() {
    if (!outframe->isChecked()) return;
    const QString report = outsideReport(table_.rects(), canvasWidth(), canvasHeight());
    if (!report.isEmpty()) desktop_.notice(this, report);
}

void Tkadrel::intransClick() {
    const bool on = intrans->isChecked();
    if (table_.pieceCount() == 0) {
        intrans->setChecked(false);
        return;
    }
    act(StepKind::Other, [&] { table_.setTransparent(on); });
}

void Tkadrel::pickColour(platform::PictureControl*, QPoint at) {
    const Piece* piece = table_.current();
    if (piece == nullptr) return;
    // A press on another piece reads the current piece at that offset; outside its picture
    // there is nothing to read, and nothing changes.
    if (!piece->picture.rect().contains(at)) return;
    const base::Colour c = base::pixelAt(piece->picture, at.x(), at.y());
    transpick->setChecked(false);
    act(StepKind::Other, [&] { table_.setTransColor(c); });
}

void Tkadrel::exchange(bool up) {
    const int from = table_.pickIndex();
    act(StepKind::Other, [&] { table_.raise(up); });
    if (table_.pickIndex() == from) return;
    // The scratch picture ends as the picture of the piece that gave up its slot.
    composite = table_.piece(from).picture;
    pickchange();
}

void Tkadrel::rawupClick() {
    exchange(true);
}

void Tkadrel::rawdownClick() {
    exchange(false);
}

void Tkadrel::rawdeleteClick() {
    if (hasEditFocus() || table_.pieceCount() == 0) return;
    if (!desktop_.confirm(this, texts::confirmDelete())) return;
    act(StepKind::Other, [this] { table_.removeCurrent(); });
    if (table_.pieceCount() > 0) pickchange();
}

}  // namespace collage
