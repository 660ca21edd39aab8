// Choosing, moving, layering and keying pieces in the main window.
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

namespace {

Rules rulesOf(const Tkadrel& k) {
    Rules r;
    r.noOverlap = k.overpics->isChecked();
    r.keepInside = k.outframe->isChecked();
    r.canvasWidth = k.canvasWidth();
    r.canvasHeight = k.canvasHeight();
    return r;
}

}  // namespace

void Tkadrel::moving(int left, int top) {
    const QPoint p = moveRule(pieces(), pickIndex, pickRect, QPoint(left, top), rulesOf(*this));
    pickRect.left = p.x();
    pickRect.top = p.y();
    pieceImage[pickIndex]->move(p);
    picLeft->setText(QString::number(p.x()));
    picTop->setText(QString::number(p.y()));
}

void Tkadrel::ImageMouseDown(platform::PictureControl* sender, QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (transpick->isChecked()) {
        pickColour(sender, at);
        return;
    }
    int slot = -1;
    for (int i = 0; i < pieceCount; ++i)
        if (pieceImage[i] == sender) {
            slot = i;
            break;
        }
    if (slot < 0) return;
    dragging = true;
    pickIndex = slot;
    pickchange();
    const QPoint pos = sender->pos();
    dragBase = {pos.x() + at.x(), pos.y() + at.y(), pos.x(), pos.y()};
}

void Tkadrel::ImageMouseMove(QWidget* sender, QMouseEvent* event) {
    if (!dragging || pieceCount == 0) return;
    const QPoint pointer = sender->mapTo(main, event->position().toPoint());
    const QPoint before = pieceImage[pickIndex]->pos();
    const QPoint rel = pointer - before;
    const int left = dragBase.left + pointer.x() - dragBase.x;
    const int top = dragBase.top + pointer.y() - dragBase.y;
    const Rect pickBefore = pickRect;
    moving(left, top);
    const QPoint now = pieceImage[pickIndex]->pos();
    if (now == QPoint(left, top)) return;
    Anchor a;
    if (reanchor(rel, pickBefore, now, &a)) dragBase = {a.x, a.y, a.left, a.top};
}

void Tkadrel::ImageMouseUp(platform::PictureControl*, QMouseEvent*) {
    if (!dragging) return;
    dragging = false;
    const QPoint pos = pieceImage[pickIndex]->pos();
    pieceRect[pickIndex].left = pos.x();
    pieceRect[pickIndex].top = pos.y();
    if (autosize->isChecked()) fitClick();
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
        // The exit already ran: leave the edit without running it a second time.
        suppressExit_ = true;
        Clickout();
        suppressExit_ = false;
    }
    const QWidget* f = QApplication::focusWidget();
    if (pieceCount == 0 || (f && f != this)) return;
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
        const QPoint pos = pieceImage[pickIndex]->pos();
        moving(pos.x() + dx, pos.y() + dy);
        const QPoint now = pieceImage[pickIndex]->pos();
        pieceRect[pickIndex].left = now.x();
        pieceRect[pickIndex].top = now.y();
        Clickout();
    }
    if (autosize->isChecked()) fitClick();
}

void Tkadrel::picknExit() {
    if (pieceCount == 0) {
        pickn->setText(QStringLiteral("0"));
        return;
    }
    int n = base::parseInt(pickn->text());
    if (n >= pieceCount) n = pieceCount - 1;
    if (n < 0) n = 0;
    pickn->setText(QString::number(n));
    pickIndex = n;
    pickchange();
}

void Tkadrel::UpDownpicknMouseDown() {
    if (pieceCount <= 1) return;
    picknExit();
}

void Tkadrel::picLeftExit() {
    int a = base::parseInt(picLeft->text());
    if (pieceCount == 0) return;
    a = typedLeftRule(pieces(), pickIndex, pieceRect[pickIndex], a, rulesOf(*this));
    picLeft->setText(QString::number(a));
    pieceImage[pickIndex]->move(a, pieceImage[pickIndex]->y());
    pieceRect[pickIndex].left = a;
    pickRect.left = a;
    if (autosize->isChecked()) fitClick();
}

void Tkadrel::picTopExit() {
    int a = base::parseInt(picTop->text());
    if (pieceCount == 0) return;
    a = typedTopRule(pieces(), pickIndex, pieceRect[pickIndex], a, rulesOf(*this));
    picTop->setText(QString::number(a));
    pieceImage[pickIndex]->move(pieceImage[pickIndex]->x(), a);
    pieceRect[pickIndex].top = a;
    pickRect.top = a;
    if (autosize->isChecked()) fitClick();
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
    for (int i = 0; i < pieceCount; ++i) {
        pieceRect[i].left += d;
        pieceImage[i]->move(pieceRect[i].left, pieceRect[i].top);
        if (outframe->isChecked() && (pieceRect[i].left < 0 || pieceRect[i].right() > canvasWidth())) {
            platform::desktop().notice(this, texts::keepInsideOff());
            outframe->setChecked(false);
        }
    }
    if (pieceCount == 0) return;
    picLeft->setText(QString::number(pieceRect[pickIndex].left));
    pickRect.left = pieceRect[pickIndex].left;
}

void Tkadrel::offsetYClick(platform::UpDown::Button button) {
    // The vertical spinner counts down with its upper arrow, which moves the pieces up.
    const int d = button == platform::UpDown::Button::Up ? -1 : 1;
    for (int i = 0; i < pieceCount; ++i) {
        pieceRect[i].top += d;
        pieceImage[i]->move(pieceRect[i].left, pieceRect[i].top);
        if (outframe->isChecked() && (pieceRect[i].top < 0 || pieceRect[i].bottom() > canvasHeight())) {
            platform::desktop().notice(this, texts::keepInsideOff());
            outframe->setChecked(false);
        }
    }
    if (pieceCount == 0) return;
    picTop->setText(QString::number(pieceRect[pickIndex].top));
    pickRect.top = pieceRect[pickIndex].top;
}

void Tkadrel::overpicsClick() {
    if (!overpics->isChecked()) return;
    const QString report = overlapReport(pieces());
    if (!report.isEmpty()) platform::desktop().notice(this, report);
}

void Tkadrel::outframeClick() {
    if (!outframe->isChecked()) return;
    const QString report = outsideReport(pieces(), canvasWidth(), canvasHeight());
    if (!report.isEmpty()) platform::desktop().notice(this, report);
}

void Tkadrel::intransClick() {
    const bool on = intrans->isChecked();
    if (on) {
        transcolor->setColour(pieceTransColor[pickIndex]);
        transcolor->show();
        transpick->setEnabled(true);
    } else {
        transcolor->hide();
        transpick->setEnabled(false);
    }
    if (pieceCount == 0 || pickIndex >= pieceCount) return;
    pieceImage[pickIndex]->setTransparentColour(pieceTransColor[pickIndex]);
    pieceImage[pickIndex]->setTransparent(on);
}

void Tkadrel::pickColour(platform::PictureControl*, QPoint at) {
    if (pieceCount == 0 || pickIndex >= pieceCount) return;
    const QImage& picture = pieceImage[pickIndex]->picture();
    // A press on another piece reads the current piece at that offset; outside its picture
    // there is nothing to read, and nothing changes.
    if (!picture.rect().contains(at)) return;
    const base::Colour c = base::pixelAt(picture, at.x(), at.y());
    transcolor->setColour(c);
    pieceImage[pickIndex]->setTransparentColour(c);
    pieceTransColor[pickIndex] = c;
    transpick->setChecked(false);
}

void Tkadrel::exchange(int s, int t) {
    std::swap(previews[s], previews[t]);
    platform::PictureControl* a = pieceImage[s];
    platform::PictureControl* b = pieceImage[t];
    const QImage held = b->picture();
    const base::Colour heldKey = b->transparentColour();
    const bool heldFlag = b->transparent();
    b->setPicture(a->picture());
    b->setTransparentColour(a->transparentColour());
    b->setTransparent(a->transparent());
    a->setPicture(held);
    a->setTransparentColour(heldKey);
    a->setTransparent(heldFlag);
    composite = held;
    const Rect fromS = pickRect;
    pieceRect[s] = pieceRect[t];
    pieceRect[t] = fromS;
    b->move(pieceRect[t].left, pieceRect[t].top);
    a->move(pieceRect[s].left, pieceRect[s].top);
    std::swap(pieceTransColor[s], pieceTransColor[t]);
    std::swap(pieceFile[s], pieceFile[t]);
    pickIndex = t;
    pickchange();
}

void Tkadrel::rawupClick() {
    const int t = layerTarget(pickIndex, pieceCount, true);
    if (t >= 0) exchange(pickIndex, t);
}

void Tkadrel::rawdownClick() {
    const int t = layerTarget(pickIndex, pieceCount, false);
    if (t >= 0) exchange(pickIndex, t);
}

void Tkadrel::rawdeleteClick() {
    if (hasEditFocus() || pieceCount == 0) return;
    if (!platform::desktop().confirm(this, texts::confirmDelete())) return;
    previews.erase(previews.begin() + pickIndex);
    pieceCount -= 1;
    for (int i = pickIndex; i < pieceCount; ++i) {
        platform::PictureControl* to = pieceImage[i];
        const platform::PictureControl* from = pieceImage[i + 1];
        to->setPicture(from->picture());
        to->setTransparentColour(from->transparentColour());
        to->setTransparent(from->transparent());
        pieceTransColor[i] = pieceTransColor[i + 1];
        pieceRect[i] = pieceRect[i + 1];
        pieceFile[i] = pieceFile[i + 1];
        to->move(pieceRect[i].left, pieceRect[i].top);
    }
    delete pieceImage[pieceCount];
    pieceImage[pieceCount] = nullptr;
    UpDownpickn->setMaximum(std::max(pieceCount - 1, 0));
    if (pieceCount > 0) {
        if (pickIndex == pieceCount) pickIndex -= 1;
        pickchange();
        if (autosize->isChecked()) fitClick();
    } else {
        pickIndex = 0;
        preview->setPicture(QImage());
        UpDownpickn->setMaximum(0);
    }
}

}  // namespace collage
