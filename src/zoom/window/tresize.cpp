#include "zoom/window/tresize.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

#include "base/error.h"
#include "base/image.h"
#include "base/number.h"
#include "base/round.h"
#include "platform/desktop.h"
#include "platform/guard.h"
#include "platform/tab_order.h"
#include "platform/widgets.h"
#include "zoom/messages.h"
#include "zoom/rotation.h"
#include "zoom/scale.h"

namespace zoom {

namespace {

using platform::kBlue;
using platform::kRed;
using platform::named;
using platform::placed;
using platform::textColour;

// The small arrow beside each size edit, in the colour of its axis.
QPixmap arrow(const QColor& c) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(c, 2));
    p.drawLine(2, 8, 12, 8);
    p.setBrush(c);
    const QPointF head[] = {{14, 8}, {9, 4}, {9, 12}};
    p.drawPolygon(head, 3);
    return pm;
}

QPixmap dot() {
    QPixmap pm(5, 5);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(0, 0, 5, 5);
    return pm;
}

}  // namespace

Tresize::Tresize(platform::Desktop& desktop, QWidget* parent)
    : QWidget(parent, Qt::Dialog), desktop_(desktop) {
    setObjectName(QStringLiteral("resize"));
    setWindowTitle(QStringLiteral("リサイズ"));
    buildControls();
    platform::tabInReadingOrder(this);
    setFixedSize(285, 182);
    FormCreate();
}

Tresize::~Tresize() {
    dying_ = true;
}

void Tresize::buildControls() {
    auto label = [&](const char* name, const QString& caption, QRect at) {
        return placed(new QLabel(caption, this), name, at);
    };
    auto edit = [&](const char* name, const QString& text, QRect at) {
        auto* e = placed(new QLineEdit(text, this), name, at);
        e->installEventFilter(this);  // Return and leaving it apply it
        return e;
    };
    auto spinner = [&](const char* name, QLineEdit* buddy, int min, int max, int step) {
        return platform::spinnerBeside(buddy, name, Qt::Horizontal, 28, min, max, step);
    };
    auto button = [&](const char* name, const QString& caption, QRect at) {
        return placed(new QPushButton(caption, this), name, at);
    };
    auto check = [&](const char* name, const QString& caption, QRect at, bool on) {
        auto* c = placed(new QCheckBox(caption, this), name, at);
        c->setChecked(on);
        return c;
    };
    auto swatch = [&](const char* name, QRect at) {
        auto* s = placed(new platform::Swatch(this), name, at);
        s->setColour(0);
        return s;
    };

    // The size: source read-outs, arrows, the new size and the ratio lock.
    originx = label("originx", QStringLiteral("X : "), {6, 6, 64, 24});
    textColour(originx, QPalette::WindowText, kBlue);
    originy = label("originy", QStringLiteral("Y : "), {6, 32, 64, 24});
    textColour(originy, QPalette::WindowText, kRed);
    Image1 = label("Image1", QString(), {70, 10, 16, 16});
    Image1->setPixmap(arrow(kBlue));
    Image2 = label("Image2", QString(), {70, 36, 16, 16});
    Image2->setPixmap(arrow(kRed));
    newsizex = edit("newsizex", QStringLiteral("1"), {88, 7, 46, 22});
    textColour(newsizex, QPalette::Text, kBlue);
    UpDownX = spinner("UpDownX", newsizex, 1, 2000, 1);
    newsizey = edit("newsizey", QStringLiteral("1"), {88, 33, 46, 22});
    textColour(newsizey, QPalette::Text, kRed);
    UpDownY = spinner("UpDownY", newsizey, 1, 2000, 1);
    ratiokeep = check("ratiokeep", QStringLiteral("縦横比維持"), {6, 60, 150, 20}, true);

    // Transparency: the key colour, its pick from the editor, and the coverage threshold.
    intrans = check("intrans", QStringLiteral("透明色"), {172, 6, 70, 20}, false);
    transcolor = swatch("transcolor", {250, 6, 20, 20});
    transpick = button("transpick", QStringLiteral("色選択"), {172, 30, 98, 24});
    transpick->setCheckable(true);
    transpick->setEnabled(false);
    Label2 = label("Label2", QStringLiteral("選択率"), {172, 60, 44, 20});
    fill = edit("fill", QStringLiteral("50"), {216, 59, 30, 22});
    UpDownfill = spinner("UpDownfill", fill, 0, 100, 10);
    UpDownfill->setGeometry(246, 59, 28, 22);

    // Rotation: degrees, the dot, hundredths, the border switch and the gap colour.
    Label1 = label("Label1", QStringLiteral("回転角度"), {6, 90, 58, 20});
    degree = edit("degree", QStringLiteral("0"), {64, 89, 40, 22});
    UpDowndeg = spinner("UpDowndeg", degree, -180, 180, 90);
    Shape1 = label("Shape1", QString(), {134, 104, 5, 5});
    Shape1->setPixmap(dot());
    degreesub = edit("degreesub", QStringLiteral("0"), {140, 89, 28, 22});
    degreesubUD = spinner("degreesubUD", degreesub, 0, 99, 10);
    edge = check("edge", QStringLiteral("枠補正なし"), {172, 114, 110, 20}, true);
    fillcolor = swatch("fillcolor", {6, 118, 20, 20});
    colorset = button("colorset", QStringLiteral("隙間色"), {30, 116, 70, 24});
    progress = named(new QProgressBar(this), "progress");
    progress->setGeometry(104, 120, 64, 16);
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);

    goresize = button("goresize", QStringLiteral("プレビュー"), {6, 150, 88, 26});
    cancel = button("cancel", QStringLiteral("キャンセル"), {99, 150, 88, 26});
    textColour(cancel, QPalette::ButtonText, kRed);
    okey = button("okey", QStringLiteral("決定"), {192, 150, 88, 26});
    textColour(okey, QPalette::ButtonText, platform::kGreen);

    // Each number edit shows the widest number its range allows.
    for (QLineEdit* e : {newsizex, newsizey}) platform::fitNumbers(e, {QStringLiteral("65535")});
    platform::fitNumbers(fill, {QStringLiteral("100")});
    platform::fitNumbers(degree, {QStringLiteral("-180")});
    platform::fitNumbers(degreesub, {QStringLiteral("99")});

    // Wiring. Every connection runs guarded.
    auto click = [this](QAbstractButton* b, void (Tresize::*handler)()) {
        platform::onSignal(desktop_, this, b, &QAbstractButton::clicked, handler);
    };
    click(goresize, &Tresize::goresizeClick);
    click(okey, &Tresize::okeyClick);
    click(cancel, &Tresize::cancelClick);
    click(ratiokeep, &Tresize::ratiokeepClick);
    click(intrans, &Tresize::intransClick);
    click(colorset, &Tresize::colorsetClick);
    connect(UpDownX, &platform::UpDown::clicked, this,
            platform::guarded(desktop_, this, [this] { UpDownXClick(); }));
    connect(UpDownY, &platform::UpDown::clicked, this,
            platform::guarded(desktop_, this, [this] { UpDownYClick(); }));
    for (QLineEdit* e : {degree, degreesub})
        connect(e, &QLineEdit::textChanged, this,
                platform::guarded(desktop_, this, [this] { degreeTyped(); }));
}

// --- Hooks for the editor ---------------------------------------------------------------------

bool Tresize::pickingColour() const {
    return isVisible() && transpick->isEnabled() && transpick->isChecked();
}

void Tresize::colourPicked(base::Colour colour) {
    transcolor->setColour(colour);
    // Keeps the rotated corners keyed out with the colour now chosen.
    if (intrans->isChecked()) fillcolor->setColour(colour);
    transpick->setChecked(false);
    show();
    raise();
    activateWindow();
}

// --- Showing and hiding -----------------------------------------------------------------------

void Tresize::FormCreate() {
    sizeRatio = 1.0;
}

QImage Tresize::source() const {
    const QImage picture = editorPicture ? editorPicture() : QImage();
    if (picture.isNull()) throw base::Error(noPictureText());
    return picture;
}

void Tresize::called() {
    if (!inShow_) {
        // From the editor: the dialog sets itself up as it is shown, not again while it is open.
        if (isVisible()) {
            raise();
            activateWindow();
        } else {
            if (!editorPicture || editorPicture().isNull()) {
                desktop_.notice(this, noPictureText());
                return;
            }
            show();
        }
        return;
    }

    const QImage picture = source();
    const int w = picture.width(), h = picture.height();
    originx->setText(QStringLiteral("X : ") + QString::number(w));
    originx->resize(originx->width(), 24);
    originy->setText(QStringLiteral("Y : ") + QString::number(h));
    originy->resize(originy->width(), 24);
    newsizex->setText(QString::number(w));
    newsizey->setText(QString::number(h));
    // A fraction left from the last use still counts; text that is no number would make every
    // showing fail before the frame is hidden, so it starts again from 0.
    int unused = 0;
    if (!base::tryParseInt(degreesub->text(), unused)) degreesub->setText(QStringLiteral("0"));
    {
        const QSignalBlocker block(degree);
        degree->setText(QStringLiteral("0"));
    }
    degreeChange();
    sizeRatio = static_cast<double>(w) / h;
    accepted = false;
    if (showSelectionFrame) showSelectionFrame(false);
    intrans->setChecked(pieceTransparent && pieceTransparent());
    transcolor->setColour(base::pixelAt(base::toBgr(picture), 0, 0));
    intransClick();
    lastPreview = currentSettings();
    progress->setValue(0);
}

void Tresize::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;  // restored from the taskbar: nothing to set up
    inShow_ = true;
    platform::runGuarded(desktop_, this, [this] { called(); });
    inShow_ = false;
}

void Tresize::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous() || dying_) return;
    platform::runGuarded(desktop_, this, [this] { FormHide(); });
}

void Tresize::closeEvent(QCloseEvent* event) {
    accepted = false;
    event->accept();  // hides the window, which runs FormHide
}

void Tresize::FormHide() {
    if (accepted) {
        if (editorLoaded) editorLoaded();
    } else if (showInEditor && editorPicture) {
        showInEditor(editorPicture());
    }
    if (showSelectionFrame) showSelectionFrame(true);
}

void Tresize::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    platform::runGuarded(desktop_, this, [this] { FormClick(); });
}

void Tresize::FormClick() {
    goresize->setFocus(Qt::MouseFocusReason);
}

// --- Preview, keep, cancel --------------------------------------------------------------------

PreviewSettings Tresize::currentSettings() const {
    PreviewSettings s;
    s.width = base::parseInt(newsizex->text());
    s.height = base::parseInt(newsizey->text());
    s.fill = base::parseInt(fill->text());
    s.degrees = base::parseInt(degree->text());
    s.hundredths = base::parseInt(degreesub->text());
    s.transparent = intrans->isChecked();
    s.edge = edge->isChecked();
    s.gap = fillcolor->colour();
    s.key = transcolor->colour();
    return s;
}

bool Tresize::angleSet() const {
    return degree->text() != u"0" || degreesub->text() != u"0";
}

void Tresize::reportRow(int percent) {
    if (progress->value() == percent) return;
    progress->setValue(percent);
    // The pass runs on this thread, so the bar is painted now or not until the pass ends.
    if (progress->isVisible()) progress->repaint();
}

bool Tresize::preview() {
    const platform::BusyCursor busy;
    const int w2 = base::parseInt(newsizex->text());
    const int h2 = base::parseInt(newsizey->text());
    const QImage picture = source();
    if (w2 < 1 || h2 < 1) {
        desktop_.notice(this, sizeBelowOneText(w2, h2));
        return false;
    }
    base::checkSize(w2, h2);

    if (angleSet()) {
        rotate();
    } else {
        const KeyOptions key{intrans->isChecked(), transcolor->colour(), base::parseInt(fill->text())};
        const Progress bar = [this](int p) { reportRow(p); };
        // The same size is a notice here, not the error scale() would make of it.
        if (scalePass(picture.size(), QSize(w2, h2)) == ScalePass::None) {
            desktop_.notice(this, sameSizeText());
        } else {
            workBitmap = scale(picture, {w2, h2}, key, bar);
            if (showInEditor) showInEditor(workBitmap);
        }
    }
    lastPreview = currentSettings();
    return true;
}

void Tresize::goresizeClick() {
    preview();
}

void Tresize::rotate() {
    const QImage picture = source();
    RotateOptions o;
    o.angle = rotationAngle;
    o.gap = fillcolor->colour();
    o.blendBorder = !edge->isChecked();
    o.key = KeyOptions{intrans->isChecked(), transcolor->colour(), base::parseInt(fill->text())};
    const QSize size(base::parseInt(newsizex->text()), base::parseInt(newsizey->text()));
    workBitmap = zoom::rotate(picture, size, o, [this](int p) { reportRow(p); });
    if (showInEditor) showInEditor(workBitmap);
}

void Tresize::okeyClick() {
    if (currentSettings() != lastPreview && !preview()) return;
    accepted = true;
    hide();
    if (setResizeTransparency) setResizeTransparency(intrans->isChecked());
}

void Tresize::cancelClick() {
    accepted = false;
    hide();
}

// --- Size edits and the ratio rule ------------------------------------------------------------

void Tresize::setHeightFromWidth() {
    if (!ratiokeep->isChecked()) return;
    newsizey->setText(QString::number(ratioHeight(base::parseInt(newsizex->text()), sizeRatio)));
}

void Tresize::setWidthFromHeight() {
    if (!ratiokeep->isChecked()) return;
    newsizex->setText(QString::number(ratioWidth(base::parseInt(newsizey->text()), sizeRatio)));
}

void Tresize::newsizexenter() {
    setHeightFromWidth();
    UpDownX->setFocus(Qt::OtherFocusReason);
}

void Tresize::newsizexExit() {
    setHeightFromWidth();
}

void Tresize::UpDownXClick() {
    setHeightFromWidth();
}

void Tresize::newsizeyenter() {
    setWidthFromHeight();
    UpDownY->setFocus(Qt::OtherFocusReason);
}

void Tresize::newsizeyExit() {
    setWidthFromHeight();
}

void Tresize::UpDownYClick() {
    setWidthFromHeight();
}

void Tresize::ratiokeepClick() {
    if (ratiokeep->isChecked()) setHeightFromWidth();
}

// --- Transparency and the gap colour ----------------------------------------------------------

void Tresize::intransClick() {
    if (intrans->isChecked()) {
        transcolor->show();
        transpick->setEnabled(true);
        edge->setChecked(true);
        edge->setEnabled(false);
        fillcolor->setColour(transcolor->colour());
        colorset->setEnabled(false);
    } else {
        transcolor->hide();
        // A pick left armed would take the next press on the editor's picture for nothing.
        transpick->setChecked(false);
        transpick->setEnabled(false);
        if (angleSet()) {
            colorset->setEnabled(true);
            edge->setEnabled(true);
        }
    }
}

void Tresize::colorsetClick() {
    if (const auto chosen = desktop_.chooseColour(this, fillcolor->colour())) {
        ColorDg.colour = *chosen;
        fillcolor->setColour(*chosen);
    }
}

// --- Angle ------------------------------------------------------------------------------------

void Tresize::degreeChange() {
    if (!angleSet()) {
        for (QWidget* w : {static_cast<QWidget*>(newsizex), static_cast<QWidget*>(newsizey),
                           static_cast<QWidget*>(UpDownX), static_cast<QWidget*>(UpDownY)})
            w->setEnabled(true);
        const QImage picture = editorPicture ? editorPicture() : QImage();
        newsizex->setText(QString::number(picture.isNull() ? 0 : picture.width()));
        newsizey->setText(QString::number(picture.isNull() ? 0 : picture.height()));
        edge->setEnabled(false);
        fillcolor->hide();
        colorset->setEnabled(false);
        return;
    }
    // The spinners go with their edits: a step would give the rotation a size not its own.
    for (QWidget* w : {static_cast<QWidget*>(newsizex), static_cast<QWidget*>(newsizey),
                       static_cast<QWidget*>(UpDownX), static_cast<QWidget*>(UpDownY)})
        w->setEnabled(false);
    rotationAngle = zoom::rotationAngle(base::parseInt(degree->text()), base::parseInt(degreesub->text()));
    const QImage picture = source();
    const QSize size = rotatedSize(picture.size(), rotationAngle);
    newsizex->setText(QString::number(size.width()));
    newsizey->setText(QString::number(size.height()));
    fillcolor->show();
    const bool editable = !intrans->isChecked();
    colorset->setEnabled(editable);
    edge->setEnabled(editable);
}

namespace {

// Text on its way to a number: what a user types before the digits of a negative angle, or
// what is left after clearing the edit to type anew.
bool unfinished(const QLineEdit* e) {
    const QString t = e->text().trimmed();
    return e->hasFocus() && (t.isEmpty() || t == u"-");
}

}  // namespace

void Tresize::degreeTyped() {
    // Checked when applied (Enter, leaving the edit, a button), not while still being typed.
    if (unfinished(degree) || unfinished(degreesub)) return;
    degreeChange();
}

void Tresize::degreeExit() {
    degreeChange();
}

void Tresize::degreeKeyDown() {
    degreeChange();
}

// --- Keys and focus ---------------------------------------------------------------------------

void Tresize::keyPressEvent(QKeyEvent* event) {
    // Esc is キャンセル, from any control of the dialog (none of them uses the key).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        platform::runGuarded(desktop_, this, [this] { cancelClick(); });
        return;
    }
    QWidget::keyPressEvent(event);
}

bool Tresize::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter) break;
            if (watched == newsizex)
                platform::runGuarded(desktop_, this, [this] { newsizexenter(); });
            else if (watched == newsizey)
                platform::runGuarded(desktop_, this, [this] { newsizeyenter(); });
            else if (watched == degree || watched == degreesub)
                platform::runGuarded(desktop_, this, [this] { degreeKeyDown(); });
            break;
        }
        case QEvent::FocusOut: {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Another window or a menu taking the focus is no exit of the edit.
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) break;
            if (watched == newsizex)
                platform::runGuarded(desktop_, this, [this] { newsizexExit(); });
            else if (watched == newsizey)
                platform::runGuarded(desktop_, this, [this] { newsizeyExit(); });
            else if (watched == degree || watched == degreesub)
                platform::runGuarded(desktop_, this, [this] { degreeExit(); });
            break;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace zoom
