// The selection handlers of the cut editor: typed edges and sizes, the slide bars and edge-move
// buttons, and the mouse on the picture and the frame.

#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "base/number.h"
#include "load/bar_moves.h"
#include "load/commits.h"
#include "load/mouse_gestures.h"
#include "load/window/outline.h"
#include "load/window/slide_bar.h"
#include "load/window/tloadcut.h"
#include "platform/widgets.h"

namespace load {

Tloadcut::AxisParts Tloadcut::parts(Dir d) const {
    if (d == Dir::X) return AxisParts{areax, edgexl, sizex, edgexr, XL, XR, UpDownX};
    return AxisParts{areay, edgeyu, sizey, edgeyb, YU, YB, UpDownY};
}

QScrollBar* Tloadcut::scrollBar(Dir d) const {
    return d == Dir::X ? view->horizontalScrollBar() : view->verticalScrollBar();
}

Axis Tloadcut::axisOf(Dir d) const {
    const SlideBar* bar = parts(d).bar;
    return Axis{bar->selectionStart(), bar->selectionEnd(), extent(d)};
}

// --- Writing the four places ------------------------------------------------------------------

void Tloadcut::showWhole(Dir d) {
    const AxisParts a = parts(d);
    const int n = extent(d);
    a.low->setText(QStringLiteral("0"));
    a.high->setText(QString::number(n));
    a.size->setText(QString::number(n));
    showAxis(d, wholeAxis(n), centredThumb(n));
}

void Tloadcut::showAxis(Dir d, const Axis& a, int thumb) {
    SlideBar* bar = parts(d).bar;
    bar->setSelection(a.lo, a.hi);
    bar->setValue(thumb);
    setFrame(d, frameOf(a, origin(d)));
}

void Tloadcut::setFrame(Dir d, const Span& s) {
    frame_[d == Dir::X ? 0 : 1] = s;
    applyFrame();
}

void Tloadcut::applyFrame() {
    const Span x = shownSpan(frame_[0]);
    const Span y = shownSpan(frame_[1]);
    // The frame's lines lie one screen pixel outside the selected pixels, whatever the zoom.
    const QRect inner(x.start + 1, y.start + 1, x.length - 2, y.length - 2);
    shot->setGeometry(shownRect(inner).adjusted(-1, -1, 1, 1));
}

QRect Tloadcut::shownRect(const QRect& content) const {
    const platform::ViewScale scale = viewScale();
    if (scale.identity()) return content;
    return scale.toView(content.translated(-imageOrigin)).translated(imageOrigin);
}

int Tloadcut::shownX(int contentX) const {
    return imageOrigin.x() + viewScale().toView(contentX - imageOrigin.x());
}

int Tloadcut::shownY(int contentY) const {
    return imageOrigin.y() + viewScale().toView(contentY - imageOrigin.y());
}

void Tloadcut::placeMarker(Dir d, int thumb) {
    const QSize shown = mainimage->size();
    if (d == Dir::X)
        beam->setGeometry(shownX(imageOrigin.x() + thumb), imageOrigin.y(), 1, shown.height());
    else
        beam->setGeometry(imageOrigin.x(), shownY(imageOrigin.y() + thumb), shown.width(), 1);
}

void Tloadcut::parkMarker() {
    beam->hide();
    beam->setGeometry(imageOrigin.x() - 1, imageOrigin.y() - 1, 1, 1);
}

// The width the bars work with. The width edit is read as the user sees it, so text that is not
// a whole number is reported; a number its commit rejected (0 or less) stands for nothing, and
// otherwise it always equals the selection's own width, which is what is used.
int Tloadcut::checkedWidth(Dir d) const {
    base::parseInt(parts(d).size->text());
    return axisOf(d).width();
}

// --- Edits, spinners and reset ---------------------------------------------------------------

void Tloadcut::commit(Dir d, Edge e) {
    outfocus();
    const AxisParts a = parts(d);
    const Axis before = axisOf(d);
    std::optional<Commit> c;
    switch (e) {
        case Edge::Low:
            c = commitLow(before, typedNumber(a.low->text()));
            break;
        case Edge::Size:
            c = commitSize(before, typedNumber(a.size->text()));
            break;
        case Edge::High:
            c = commitHigh(before, typedNumber(a.high->text()));
            break;
    }
    if (!c) return;  // ignored silently; the text stays as typed
    if (c->lowText) a.low->setText(QString::number(*c->lowText));
    if (c->sizeText) a.size->setText(QString::number(*c->sizeText));
    if (c->highText) a.high->setText(QString::number(*c->highText));
    showAxis(d, c->axis, c->thumb);
}

void Tloadcut::edgexlon() {
    commit(Dir::X, Edge::Low);
}
void Tloadcut::sizexon() {
    commit(Dir::X, Edge::Size);
}
void Tloadcut::edgexron() {
    commit(Dir::X, Edge::High);
}
void Tloadcut::edgeyuon() {
    commit(Dir::Y, Edge::Low);
}
void Tloadcut::sizeyon() {
    commit(Dir::Y, Edge::Size);
}
void Tloadcut::edgeybon() {
    commit(Dir::Y, Edge::High);
}

void Tloadcut::editExit(QObject* edit) {
    for (Dir d : {Dir::X, Dir::Y}) {
        const AxisParts a = parts(d);
        if (edit == a.low) commit(d, Edge::Low);
        if (edit == a.size) commit(d, Edge::Size);
        if (edit == a.high) commit(d, Edge::High);
    }
}

// A spinner click that leaves the number as it was (at a limit) commits nothing. The number
// before each step is noted at the press and after every step, for the arrows' auto-repeat.
void Tloadcut::spinnerPressed(int index) {
    const std::array<QLineEdit*, 6> edits{edgexl, sizex, edgexr, edgeyu, sizey, edgeyb};
    spinBefore_[static_cast<std::size_t>(index)] =
        typedNumber(edits[static_cast<std::size_t>(index)]->text());
}

void Tloadcut::spinnerClicked(int index, Dir d, Edge e) {
    const AxisParts a = parts(d);
    QLineEdit* edit = e == Edge::Low ? a.low : e == Edge::Size ? a.size : a.high;
    int& before = spinBefore_[static_cast<std::size_t>(index)];
    const int now = typedNumber(edit->text());
    if (now == before) return;
    commit(d, e);
    before = typedNumber(edit->text());
}

void Tloadcut::Label1DblClick() {
    showWhole(Dir::X);
    showWhole(Dir::Y);
}

// --- Slide bars ------------------------------------------------------------------------------

void Tloadcut::tick(Dir d, int position) {
    const AxisParts a = parts(d);
    const Axis before = axisOf(d);
    if (a.lowButton->isChecked()) {
        const BarMove m = lowEdgeMove(before, position);
        a.bar->setValue(m.thumb);
        placeMarker(d, m.thumb);
        a.low->setText(QString::number(m.axis.lo));
        a.size->setText(QString::number(m.axis.width()));
        showAxis(d, m.axis, m.thumb);
        return;
    }
    if (a.highButton->isChecked()) {
        const BarMove m = highEdgeMove(before, position);
        a.bar->setValue(m.thumb);
        placeMarker(d, m.thumb);
        a.high->setText(QString::number(m.axis.hi));
        a.size->setText(QString::number(m.axis.width()));
        showAxis(d, m.axis, m.thumb);
        return;
    }
    // Plain mode. A move of the bar must not scroll the view along the bar away from where it
    // stood when the bar received the focus.
    QScrollBar* scroll = scrollBar(d);
    if (scroll->value() != savedScroll(d)) scroll->setValue(savedScroll(d));
    checkedWidth(d);
    const BarMove m = plainMove(before, position);
    a.low->setText(QString::number(m.axis.lo));
    a.high->setText(QString::number(m.axis.hi));
    showAxis(d, m.axis, m.thumb);
}

void Tloadcut::areaxtick(int position) {
    tick(Dir::X, position);
}
void Tloadcut::areaytick(int position) {
    tick(Dir::Y, position);
}

void Tloadcut::barEnter(Dir d) {
    savedScroll(d) = scrollBar(d)->value();
}

void Tloadcut::areaxEnter() {
    barEnter(Dir::X);
}
void Tloadcut::areayEnter() {
    barEnter(Dir::Y);
}

void Tloadcut::barExit(Dir d) {
    const AxisParts a = parts(d);
    if (!a.lowButton->isChecked() && !a.highButton->isChecked()) return;
    a.lowButton->setChecked(false);
    a.highButton->setChecked(false);
    a.bar->setThumbPointing(false);
    // The marker goes before the width is read, so that a width edit holding text does not
    // leave a marker standing without its edge mode.
    parkMarker();
    const Axis now = axisOf(d);
    a.bar->setValue(thumbOf(now.lo, checkedWidth(d)));
}

void Tloadcut::areaxExit() {
    barExit(Dir::X);
}
void Tloadcut::areayExit() {
    barExit(Dir::Y);
}

// --- Edge-move buttons -----------------------------------------------------------------------

// A press on a button whose bar has the focus ends the edge mode first (the bar's exit), so the
// click that follows starts the chosen mode afresh.
void Tloadcut::edgeMouseDown(Dir d) {
    const AxisParts a = parts(d);
    if (a.bar->hasFocus()) a.sizeSpinner->setFocus(Qt::OtherFocusReason);
}

void Tloadcut::XLRMouseDown() {
    edgeMouseDown(Dir::X);
}
void Tloadcut::YUBMouseDown() {
    edgeMouseDown(Dir::Y);
}

void Tloadcut::edgeClick(Dir d) {
    const AxisParts a = parts(d);
    const AxisParts other = parts(d == Dir::X ? Dir::Y : Dir::X);
    const Axis now = axisOf(d);
    int thumb;
    if (a.lowButton->isChecked())
        thumb = lowEdgeThumb(now);
    else if (a.highButton->isChecked())
        thumb = highEdgeThumb(now);
    else
        return;
    a.bar->setValue(thumb);

    placeMarker(d, thumb);
    beam->setColour(d == Dir::X ? platform::kBlue : platform::kRed);
    beam->show();

    // The other bar's exit will not reset its thumb: the group has already released its buttons.
    if (other.bar->hasFocus()) {
        other.bar->setThumbPointing(false);
        const Dir od = d == Dir::X ? Dir::Y : Dir::X;
        other.bar->setValue(thumbOf(axisOf(od).lo, checkedWidth(od)));
    }
    a.bar->setThumbPointing(true);
    a.bar->setFocus(Qt::OtherFocusReason);

    // Bring the edge being moved toward the middle of the view.
    const int barStart = d == Dir::X ? a.bar->x() : a.bar->y();
    const int visible = d == Dir::X ? view->viewport()->width() : view->viewport()->height();
    scrollBar(d)->setValue(barStart + a.bar->pixelOf(thumb) - visible / 2);
}

void Tloadcut::XLRClick() {
    edgeClick(Dir::X);
}
void Tloadcut::YUBClick() {
    edgeClick(Dir::Y);
}

// --- Mouse ------------------------------------------------------------------------------------

// The pointer in content coordinates: the picture pixel under it, counted from imageOrigin.
QPoint Tloadcut::contentPoint(QWidget* receiver, QMouseEvent* event) const {
    const QPointF at = receiver->mapTo(viewContent_, event->position());
    const platform::ViewScale scale = viewScale();
    if (scale.identity()) return at.toPoint();
    return imageOrigin + scale.pixelAt(at - imageOrigin);
}

void Tloadcut::pressPicture(QPoint at, bool ctrl) {
    const bool picking = pickingColour && pickingColour();
    if (ctrl && !picking) {
        selecting = true;
        const DrawStart x = startDrawn(at.x(), imageOrigin.x());
        const DrawStart y = startDrawn(at.y(), imageOrigin.y());
        frame_ = {x.frame, y.frame};
        applyFrame();
        dragAnchor = QPoint(x.anchor, y.anchor);
    }
    if (picking) {
        const QImage& picture = mainimage->picture();
        if (colourPicked && picture.valid(at)) colourPicked(base::fromQRgb(picture.pixel(at)));
    }
}

void Tloadcut::dragSelection(QPoint at) {
    if (!selecting) return;
    frame_[0] = dragDrawn(frame_[0], at.x(), dragAnchor.x());
    frame_[1] = dragDrawn(frame_[1], at.y(), dragAnchor.y());
    applyFrame();
}

void Tloadcut::releaseSelection(QPoint at) {
    if (!selecting) return;
    selecting = false;
    const Release rx = releaseDrawn(frame_[0], at.x(), dragAnchor.x(), imageOrigin.x(), picWidth);
    const Release ry = releaseDrawn(frame_[1], at.y(), dragAnchor.y(), imageOrigin.y(), picHeight);
    for (Dir d : {Dir::X, Dir::Y}) {
        const Release& r = d == Dir::X ? rx : ry;
        const AxisParts a = parts(d);
        a.size->setText(QString::number(r.frame.length - 2));
        a.low->setText(QString::number(r.axis.lo));
        a.high->setText(QString::number(r.axis.hi));
        showAxis(d, r.axis, r.thumb);
    }
}

void Tloadcut::mainimageMouseDown(QMouseEvent* event) {
    pressPicture(contentPoint(mainimage, event) - imageOrigin,
                 event->modifiers().testFlag(Qt::ControlModifier));
}

void Tloadcut::mainimageMouseMove(QMouseEvent* event) {
    dragSelection(contentPoint(mainimage, event) - imageOrigin);
}

void Tloadcut::mainimageMouseUp(QMouseEvent* event) {
    releaseSelection(contentPoint(mainimage, event) - imageOrigin);
}

// The frame's and the marker's handlers see the true pointer in the view's content.
void Tloadcut::shotMouseDown(QWidget* receiver, QMouseEvent* event) {
    const QPoint v = contentPoint(receiver, event);
    if (event->modifiers().testFlag(Qt::ControlModifier)) {
        pressPicture(v - imageOrigin, true);
        return;
    }
    movingFrame = true;
    dragAnchor = v;
    frameAtGrab = QPoint(frame_[0].start, frame_[1].start);
}

void Tloadcut::shotMouseMove(QWidget* receiver, QMouseEvent* event) {
    const QPoint v = contentPoint(receiver, event);
    dragSelection(v - imageOrigin);
    if (movingFrame) {
        frame_[0].start =
            dragFrame(frameAtGrab.x(), v.x(), dragAnchor.x(), frame_[0].length, imageOrigin.x(), picWidth);
        frame_[1].start =
            dragFrame(frameAtGrab.y(), v.y(), dragAnchor.y(), frame_[1].length, imageOrigin.y(), picHeight);
        applyFrame();
    }
}

void Tloadcut::shotMouseUp(QWidget* receiver, QMouseEvent* event) {
    const QPoint v = contentPoint(receiver, event);
    releaseSelection(v - imageOrigin);
    if (!movingFrame) return;
    movingFrame = false;
    for (Dir d : {Dir::X, Dir::Y}) {
        const Release r = releaseFrame(frame_[d == Dir::X ? 0 : 1], origin(d), extent(d));
        const AxisParts a = parts(d);
        a.low->setText(QString::number(r.axis.lo));
        a.high->setText(QString::number(r.axis.hi));
        showAxis(d, r.axis, r.thumb);
    }
}

}  // namespace load
