#include "load/window/tloadcut.h"

#include <algorithm>
#include <cmath>

#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include "base/image.h"
#include "codecs/codecs.h"
#include "load/window/outline.h"
#include "load/window/slide_bar.h"
#include "platform/desktop.h"
#include "platform/guard.h"
#include "platform/tab_order.h"
#include "platform/widgets.h"
#include "platform/window_keys.h"
#include "platform/zoom_menu.h"

namespace load {

namespace {

// Where things lie in the view's content. The picture's first pixel is 13 pixels after the
// first pixel of each bar, so that with the bars' thumb inset bar value v lies over column
// (row) v.
constexpr QPoint kPictureAt{27, 25};
constexpr int kBarXLeft = 14;
constexpr int kBarYTop = 12;
constexpr int kBarExtra = 2 * SlideBar::kThumbInset + 2;  // bar length = picture length + 26
static_assert(kBarXLeft + SlideBar::kThumbInset + 1 == kPictureAt.x());
static_assert(kBarYTop + SlideBar::kThumbInset + 1 == kPictureAt.y());
constexpr QRect kViewAt{72, 64, 433, 297};

using platform::kBlue;
using platform::kRed;
using platform::named;
using platform::placed;
using platform::textColour;

// A label with coloured text on white, as the size read-outs are.
void onWhite(QLabel* l, const QColor& text) {
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Window, Qt::white);
    l->setPalette(pal);
    l->setAutoFillBackground(true);
}

void boldText(QPushButton* b, const QColor& c) {
    textColour(b, QPalette::ButtonText, c);
    QFont f = b->font();
    f.setBold(true);
    b->setFont(f);
}

}  // namespace

Tloadcut::Tloadcut(platform::Desktop& desktop, QWidget* parent) : QMainWindow(parent), desktop_(desktop) {
    setObjectName(QStringLiteral("loadcut"));
    setWindowTitle(QStringLiteral("ロード＆カット"));
    buildControls();
    buildMenus();
    // Menu shortcuts act even while an edit has the focus (it would keep Ctrl+C and Ctrl+V).
    new platform::WindowKeys(this);
    platform::tabInReadingOrder(this);
    resize(592, 487);
    creation();
}

Tloadcut::~Tloadcut() {
    FormDestroy();
}

void Tloadcut::buildControls() {
    auto* central = named(new QWidget(this), "loadcutClient");
    setCentralWidget(central);
    central->installEventFilter(this);

    auto button = [&](const char* name, const QString& caption, QRect at) {
        return placed(new QPushButton(caption, central), name, at);
    };
    auto label = [&](const char* name, const QString& caption, QRect at) {
        return placed(new QLabel(caption, central), name, at);
    };
    auto edit = [&](const char* name, QRect at) {
        auto* e = placed(new QLineEdit(QStringLiteral("0"), central), name, at);
        e->installEventFilter(this);  // leaving it applies it
        return e;
    };
    auto spinner = [&](const char* name, Qt::Orientation o, QLineEdit* buddy, int step) {
        return platform::spinnerBeside(buddy, name, o, 17, 0, 2000, step);
    };
    auto edgeButton = [&](const char* name, const QString& caption, QRect at) {
        QPushButton* b = button(name, caption, at);
        b->setCheckable(true);
        // Like a speed button: pressing it leaves the keyboard focus where it is.
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };

    // Commands along the top.
    Loadpic = button("Loadpic", QStringLiteral("リロード"), {6, 6, 72, 25});
    resizeon = button("resizeon", QStringLiteral("ズーム"), {82, 6, 72, 25});
    cutout = button("cutout", QStringLiteral("切り抜き"), {158, 6, 72, 25});
    savepic = button("savepic", QStringLiteral("保存"), {234, 6, 72, 25});
    Label4 = label("Label4", QStringLiteral("JPEG画質"), {314, 8, 62, 20});
    jpgq = named(new QLineEdit(QStringLiteral("100"), central), "jpgq");
    jpgq->setGeometry(378, 7, 36, 22);
    UpDownjpgq = spinner("UpDownjpgq", Qt::Horizontal, jpgq, 10);
    UpDownjpgq->setRange(1, 100);
    UpDownjpgq->setPosition(100);
    addpic = button("addpic", QStringLiteral("OK"), {440, 6, 68, 25});
    boldText(addpic, platform::kGreen);
    cancel = button("cancel", QStringLiteral("キャンセル"), {512, 6, 74, 25});
    boldText(cancel, kRed);

    // The horizontal selection above the view.
    Label2 = label("Label2", QStringLiteral("横サイズ"), {76, 38, 54, 20});
    textColour(Label2, QPalette::WindowText, kBlue);
    edgexl = edit("edgexl", {132, 36, 44, 22});
    UpDownxl = spinner("UpDownxl", Qt::Horizontal, edgexl, 1);
    sizex = edit("sizex", {198, 36, 44, 22});
    textColour(sizex, QPalette::Text, kBlue);
    UpDownX = spinner("UpDownX", Qt::Horizontal, sizex, 1);
    edgexr = edit("edgexr", {264, 36, 44, 22});
    UpDownxr = spinner("UpDownxr", Qt::Horizontal, edgexr, 1);
    XL = edgeButton("XL", QStringLiteral("左端移動"), {334, 35, 72, 24});
    XR = edgeButton("XR", QStringLiteral("右端移動"), {410, 35, 72, 24});

    // The picture's size and the vertical selection left of the view.
    Label1 = label("Label1", QStringLiteral("元画像　"), {4, 66, 64, 20});
    onWhite(Label1, Qt::black);
    Label1->installEventFilter(this);
    originx = label("originx", QStringLiteral("X : 0"), {4, 88, 64, 20});
    onWhite(originx, kBlue);
    originy = label("originy", QStringLiteral("Y : 0"), {4, 110, 64, 20});
    onWhite(originy, kRed);
    Label3 = label("Label3", QStringLiteral("縦サイズ"), {4, 138, 64, 20});
    textColour(Label3, QPalette::WindowText, kRed);
    edgeyu = edit("edgeyu", {4, 160, 44, 22});
    UpDownyu = spinner("UpDownyu", Qt::Vertical, edgeyu, -1);
    sizey = edit("sizey", {4, 186, 44, 22});
    textColour(sizey, QPalette::Text, kRed);
    UpDownY = spinner("UpDownY", Qt::Vertical, sizey, -1);
    edgeyb = edit("edgeyb", {4, 212, 44, 22});
    UpDownyb = spinner("UpDownyb", Qt::Vertical, edgeyb, -1);
    YU = edgeButton("YU", QStringLiteral("上端移動"), {2, 240, 68, 24});
    YB = edgeButton("YB", QStringLiteral("下端移動"), {2, 268, 68, 24});

    // The view: picture, frame, marker, rulers and the corner panel, in stacking order.
    view = named(new QScrollArea(central), "view");
    view->setGeometry(kViewAt);
    view->setWidgetResizable(false);
    view->setFocusPolicy(Qt::NoFocus);
    view->viewport()->installEventFilter(this);
    viewContent_ = named(new QWidget, "viewContent");
    viewContent_->installEventFilter(this);
    mainimage = named(new platform::PictureControl(viewContent_), "mainimage");
    mainimage->setAutoSize(true);
    mainimage->move(kPictureAt);
    mainimage->resize(0, 0);
    mainimage->setCursor(Qt::CrossCursor);
    shot = named(new Outline(Outline::Ink::Invert, viewContent_), "shot");
    shot->setCursor(Qt::CrossCursor);
    beam = named(new Outline(Outline::Ink::Colour, viewContent_), "beam");
    beam->setCursor(Qt::CrossCursor);
    beam->hide();
    areax = named(new SlideBar(Qt::Horizontal, viewContent_), "areax");
    areax->move(kBarXLeft, 0);
    areay = named(new SlideBar(Qt::Vertical, viewContent_), "areay");
    areay->move(0, kBarYTop);
    for (SlideBar* bar : {areax, areay}) {
        bar->setRange(-1, 0);
        bar->setLength(kBarExtra);
    }
    cover = named(new QFrame(viewContent_), "cover");
    cover->setGeometry(0, 0, 20, 18);
    cover->setAutoFillBackground(true);
    viewContent_->setAutoFillBackground(true);
    viewContent_->resize(kBarXLeft + kBarExtra, kBarYTop + kBarExtra);
    view->setWidget(viewContent_);

    // Edges and sizes run up to a picture's largest side; they show it whole.
    for (QLineEdit* e : {edgexl, sizex, edgexr, edgeyu, sizey, edgeyb})
        platform::fitNumbers(e, {QStringLiteral("65535")});
    platform::fitNumbers(jpgq, {QStringLiteral("100")});

    OpenPictureDialog1.filter = codecs::openFilter(codecs::OpenDialog::CutEditor);
    SaveDialog1.filter = codecs::saveFilter(codecs::kCutSaveOrder);

    // Wiring. Every connection runs guarded.
    auto click = [this](QPushButton* b, void (Tloadcut::*handler)()) {
        platform::onSignal(desktop_, this, b, &QPushButton::clicked, handler);
    };
    connect(Loadpic, &QPushButton::clicked, this,
            platform::guarded(desktop_, this, [this] { selectload(LoadSender::Loadpic); }));
    click(resizeon, &Tloadcut::resizeonClick);
    click(cutout, &Tloadcut::cutoutClick);
    click(addpic, &Tloadcut::addpicClick);
    click(cancel, &Tloadcut::cancelClick);
    click(savepic, &Tloadcut::savepicClick);
    click(XL, &Tloadcut::XLRClick);
    click(XR, &Tloadcut::XLRClick);
    click(YU, &Tloadcut::YUBClick);
    click(YB, &Tloadcut::YUBClick);
    for (QPushButton* b : {XL, XR})
        connect(b, &QPushButton::pressed, this,
                platform::guarded(desktop_, this, [this] { XLRMouseDown(); }));
    for (QPushButton* b : {YU, YB})
        connect(b, &QPushButton::pressed, this,
                platform::guarded(desktop_, this, [this] { YUBMouseDown(); }));
    // The four edge buttons are one group in which all may be up.
    for (QPushButton* b : {XL, XR, YU, YB}) {
        connect(b, &QPushButton::toggled, this, [this, b](bool down) {
            if (!down) return;
            for (QPushButton* other : {XL, XR, YU, YB})
                if (other != b) other->setChecked(false);
        });
    }

    struct EditWiring {
        QLineEdit* edit;
        platform::UpDown* spinner;
        Dir d;
        Edge e;
    };
    const std::array<EditWiring, 6> wiring{{{edgexl, UpDownxl, Dir::X, Edge::Low},
                                            {sizex, UpDownX, Dir::X, Edge::Size},
                                            {edgexr, UpDownxr, Dir::X, Edge::High},
                                            {edgeyu, UpDownyu, Dir::Y, Edge::Low},
                                            {sizey, UpDownY, Dir::Y, Edge::Size},
                                            {edgeyb, UpDownyb, Dir::Y, Edge::High}}};
    for (int i = 0; i < 6; ++i) {
        const EditWiring w = wiring[static_cast<std::size_t>(i)];
        connect(w.edit, &QLineEdit::returnPressed, this,
                platform::guarded(desktop_, this, [this, w] { commit(w.d, w.e); }));
        connect(w.spinner, &platform::UpDown::pressed, this, [this, i] { spinnerPressed(i); });
        connect(w.spinner, &platform::UpDown::clicked, this,
                platform::guarded(desktop_, this, [this, i, w] { spinnerClicked(i, w.d, w.e); }));
    }

    connect(areax, &SlideBar::moved, this,
            [this](int p) { platform::runGuarded(desktop_, this, [&] { areaxtick(p); }); });
    connect(areay, &SlideBar::moved, this,
            [this](int p) { platform::runGuarded(desktop_, this, [&] { areaytick(p); }); });
    connect(areax, &SlideBar::entered, this, platform::guarded(desktop_, this, [this] { areaxEnter(); }));
    connect(areay, &SlideBar::entered, this, platform::guarded(desktop_, this, [this] { areayEnter(); }));
    connect(areax, &SlideBar::exited, this, platform::guarded(desktop_, this, [this] { areaxExit(); }));
    connect(areay, &SlideBar::exited, this, platform::guarded(desktop_, this, [this] { areayExit(); }));

    auto onMouse = [this](auto signal, void (Tloadcut::*handler)(QMouseEvent*)) {
        connect(mainimage, signal, this, [this, handler](QMouseEvent* e) {
            platform::runGuarded(desktop_, this, [&] { (this->*handler)(e); });
        });
    };
    onMouse(&platform::PictureControl::mousePressed, &Tloadcut::mainimageMouseDown);
    onMouse(&platform::PictureControl::doubleClicked, &Tloadcut::mainimageMouseDown);
    onMouse(&platform::PictureControl::mouseMoved, &Tloadcut::mainimageMouseMove);
    onMouse(&platform::PictureControl::mouseReleased, &Tloadcut::mainimageMouseUp);
    for (Outline* o : {shot, beam}) {
        auto onOutline = [this, o](auto signal, void (Tloadcut::*handler)(QWidget*, QMouseEvent*)) {
            connect(o, signal, this, [this, o, handler](QMouseEvent* e) {
                platform::runGuarded(desktop_, this, [&] { (this->*handler)(o, e); });
            });
        };
        onOutline(&Outline::mousePressed, &Tloadcut::shotMouseDown);
        onOutline(&Outline::mouseMoved, &Tloadcut::shotMouseMove);
        onOutline(&Outline::mouseReleased, &Tloadcut::shotMouseUp);
    }

    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { pinRulers(); });
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { pinRulers(); });
}

void Tloadcut::buildMenus() {
    auto action = [this](QMenu* menu, const char* name, const QString& caption, const QKeySequence& keys,
                         auto handler) {
        auto* a = named(new QAction(caption, this), name);
        a->setShortcut(keys);
        menu->addAction(a);
        connect(a, &QAction::triggered, this, platform::guarded(desktop_, this, handler));
        return a;
    };
    auto separator = [this](QMenu* menu, const char* name) {
        QAction* a = menu->addSeparator();
        a->setParent(this);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto menu = [this](const char* name, const QString& caption) {
        auto* m = named(new QMenu(caption, this), name);
        menuBar()->addMenu(m);
        return m;
    };

    File1 = menu("File1", QStringLiteral("ファイル"));
    reloadmenu = action(File1, "reloadmenu", QStringLiteral("再ロード"), QKeySequence(Qt::CTRL | Qt::Key_O),
                        [this] { selectload(LoadSender::reloadmenu); });
    loadmenu = action(File1, "loadmenu", QStringLiteral("ロード"), QKeySequence(),
                      [this] { selectload(LoadSender::loadmenu); });
    N3 = separator(File1, "N3");
    cutsavemenu = action(File1, "cutsavemenu", QStringLiteral("保存"), QKeySequence(Qt::CTRL | Qt::Key_S),
                         [this] { savepicClick(); });
    cutsavemenu->installEventFilter(this);

    Edit1 = menu("Edit1", QStringLiteral("編集"));
    resizemenu = action(Edit1, "resizemenu", QStringLiteral("サイズ変更"), QKeySequence(Qt::CTRL | Qt::Key_R),
                        [this] { resizeonClick(); });
    cutmenu = action(Edit1, "cutmenu", QStringLiteral("切り抜き"), QKeySequence(), [this] { cutoutClick(); });
    N6 = separator(Edit1, "N6");
    Pastemenu = action(Edit1, "Pastemenu", QStringLiteral("ペースト"), QKeySequence(Qt::CTRL | Qt::Key_V),
                       [this] { PastemenuClick(); });
    Copymenu = action(Edit1, "Copymenu", QStringLiteral("コピー"), QKeySequence(Qt::CTRL | Qt::Key_C),
                      [this] { CopymenuClick(); });
    N8 = separator(Edit1, "N8");
    Hflip = action(Edit1, "Hflip", QStringLiteral("左右反転"), QKeySequence(), [this] { HflipClick(); });
    Vflip = action(Edit1, "Vflip", QStringLiteral("上下反転"), QKeySequence(), [this] { VflipClick(); });

    zoomMenu = new platform::ZoomMenu(
        this, desktop_,
        {[this] { return viewZoom_; },
         [this](double z, std::optional<QPoint> about) { setViewZoom(z, about); },
         [this] {
             // The rulers and their margins take room beside the picture.
             return platform::fitZoomIn(view, QSize(picWidth, picHeight),
                                        QSize(kBarXLeft + kBarExtra, kBarYTop + kBarExtra),
                                        devicePixelRatioF());
         }});
    zoomMenu->zoomOnWheel(view, viewContent_);

    N11 = menu("N11", QStringLiteral("選択範囲"));
    resetmenu = action(N11, "resetmenu", QStringLiteral("リセット"), QKeySequence(Qt::Key_Escape),
                       [this] { Label1DblClick(); });

    Help1 = menu("Help1", QStringLiteral("ヘルプ"));
    Helpmenu =
        action(Help1, "Helpmenu", QStringLiteral("ヘルプ"), QKeySequence(Qt::Key_F1), [this] { verClick(); });
}

void Tloadcut::creation() {
    Label1->resize(Label1->width(), 20);
    imageOrigin = mainimage->pos();
    selecting = false;
    movingFrame = false;
    pictureCopy = QImage();
    parkMarker();
    frame_ = {frameOf(wholeAxis(0), imageOrigin.x()), frameOf(wholeAxis(0), imageOrigin.y())};
    applyFrame();
}

void Tloadcut::FormDestroy() {
    pictureCopy = QImage();
    resultBitmap = QImage();
}

void Tloadcut::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    if (event->spontaneous()) return;  // minimised: still open
    if (closeResize) platform::runGuarded(desktop_, this, [this] { closeResize(); });
    mainimage->setPicture(QImage());
    FormDestroy();
}

void Tloadcut::takePicture(const QImage& picture) {
    mainimage->setPicture(picture);
    loaded();
}

void Tloadcut::displayPicture(const QImage& picture) {
    mainimage->setPicture(picture);
    const QSize shown = mainimage->shownSize();
    viewContent_->resize(std::max(viewContent_->width(), imageOrigin.x() + shown.width() + 1),
                         std::max(viewContent_->height(), imageOrigin.y() + shown.height() + 1));
}

void Tloadcut::showSelectionFrame(bool on) {
    shot->setVisible(on);
}

QRect Tloadcut::selection() const {
    return QRect(areax->selectionStart(), areay->selectionStart(),
                 areax->selectionEnd() - areax->selectionStart(),
                 areay->selectionEnd() - areay->selectionStart());
}

QRect Tloadcut::frame() const {
    return QRect(frame_[0].start, frame_[1].start, frame_[0].length, frame_[1].length);
}

void Tloadcut::loaded() {
    const QImage& picture = mainimage->picture();
    picWidth = picture.isNull() ? 0 : picture.width();
    picHeight = picture.isNull() ? 0 : picture.height();

    pictureCopy = picture.isNull() ? QImage() : base::toBgr(picture);
    resizeTransparency = false;
    selecting = false;
    movingFrame = false;

    for (Dir d : {Dir::X, Dir::Y}) {
        const AxisParts a = parts(d);
        const int n = extent(d);
        a.bar->setRange(-1, n);
        showWhole(d);
    }
    UpDownX->setMaximum(picWidth);
    UpDownxl->setMaximum(picWidth - 1);
    UpDownxr->setMaximum(picWidth);
    UpDownY->setMaximum(picHeight);
    UpDownyu->setMaximum(picHeight - 1);
    UpDownyb->setMaximum(picHeight);

    originx->setText(QStringLiteral("X : ") + QString::number(picWidth));
    originx->resize(originx->width(), 20);
    originy->setText(QStringLiteral("Y : ") + QString::number(picHeight));
    originy->resize(originy->width(), 20);

    layoutContent();
}

// The picture, the rulers and the content at the view zoom.
void Tloadcut::layoutContent() {
    const platform::ViewScale scale = viewScale();
    mainimage->setViewScale(scale);
    // The control sizes itself to its picture, except to an empty one.
    const QSize shown =
        scale.identity() ? QSize(picWidth, picHeight) : scale.toView(QSize(picWidth, picHeight));
    mainimage->resize(shown);
    for (SlideBar* bar : {areax, areay}) {
        bar->setScale(scale.factor());
        bar->setLength((bar == areax ? shown.width() : shown.height()) + kBarExtra);
    }
    viewContent_->resize(
        std::max(kBarXLeft + shown.width() + kBarExtra, imageOrigin.x() + shown.width() + 1),
        std::max(kBarYTop + shown.height() + kBarExtra, imageOrigin.y() + shown.height() + 1));
    applyFrame();
    pinRulers();
}

platform::ViewScale Tloadcut::viewScale() const {
    return platform::ViewScale(viewZoom_, devicePixelRatioF());
}

void Tloadcut::setViewZoom(double zoom, std::optional<QPoint> about) {
    const QPoint anchor = platform::zoomAnchor(view, about);
    const QPointF under = platform::pictureUnder(view, imageOrigin, viewScale(), anchor);
    viewZoom_ = std::clamp(zoom, platform::kMinZoom, platform::kMaxZoom);
    zoomMenu->showZoom(viewZoom_);
    const bool markerShown = beam->isVisible();
    layoutContent();
    if (markerShown) {
        // The marker follows its edge at the new zoom.
        if (XL->isChecked() || XR->isChecked()) placeMarker(Dir::X, areax->value());
        if (YU->isChecked() || YB->isChecked()) placeMarker(Dir::Y, areay->value());
    }
    platform::scrollPictureTo(view, imageOrigin, viewScale(), under, anchor);
}

bool Tloadcut::ctrlNow() const {
    if (ctrlHeld) return ctrlHeld();
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

QString Tloadcut::runOpenDialog() {
    const QStringList chosen =
        desktop_.openFiles(this, OpenPictureDialog1.filter, OpenPictureDialog1.fileName, false);
    if (chosen.isEmpty()) return {};
    OpenPictureDialog1.fileName = chosen.front();
    return chosen.front();
}

void Tloadcut::readPicture(const QString& path) {
    // Both throw before anything changes: an unknown extension, or a file its reader refuses.
    const codecs::Format format = codecs::formatByExtension(path);
    const QImage picture = codecs::readFile(path, format);
    mainimage->setPicture(picture);
}

void Tloadcut::selectload(LoadSender sender) {
    if (loadAction(sender, ctrlNow()) == LoadAction::Reload) {
        if (!lastFile.isEmpty() && QFileInfo(lastFile).isFile()) {
            readPicture(OpenPictureDialog1.fileName);
        } else {
            const QString chosen = runOpenDialog();
            if (!chosen.isEmpty()) readPicture(chosen);
        }
        // Also after a cancelled dialog: the selection returns to the whole picture.
        loaded();
    } else {
        const QString chosen = runOpenDialog();
        if (chosen.isEmpty()) return;
        readPicture(chosen);
        lastFile = chosen;
        loaded();
    }
    SaveDialog1.fileName = lastFile;
}

void Tloadcut::outfocus() {
    if (QWidget* f = focusWidget()) f->clearFocus();
}

void Tloadcut::FormResize() {
    const QWidget* client = centralWidget();
    view->setGeometry(view->x(), view->y(), std::max(0, client->width() - view->x()),
                      std::max(0, client->height() - view->y()));
}

void Tloadcut::viewCanResize() {
    pinRulers();
    savedHScroll = view->horizontalScrollBar()->value();
    savedVScroll = view->verticalScrollBar()->value();
}

// The rulers stay at the top and left edges of the visible area while the view scrolls, the
// horizontal one following the columns and the vertical one the rows; the corner panel covers
// where they meet. The picture, frame and marker share the content's coordinates, so
// imageOrigin stays what it was laid out as.
void Tloadcut::pinRulers() {
    const int h = view->horizontalScrollBar()->value();
    const int v = view->verticalScrollBar()->value();
    imageOrigin = mainimage->pos();
    areax->move(kBarXLeft, v);
    areay->move(h, kBarYTop);
    cover->move(h, v);
    areax->raise();
    areay->raise();
    cover->raise();
}

void Tloadcut::verClick() {
    if (showHelp) showHelp();
}

bool Tloadcut::isSelectionEdit(QObject* o) const {
    return o == edgexl || o == sizex || o == edgexr || o == edgeyu || o == sizey || o == edgeyb;
}

bool Tloadcut::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Shortcut:
            if (watched == cutsavemenu) {
                // Delivered here so the click handler can tell the shortcut from a click.
                shortcutSave_ = true;
                static_cast<QObject*>(cutsavemenu)->event(event);
                shortcutSave_ = false;
                return true;
            }
            break;
        case QEvent::FocusOut: {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Another window or a menu taking the focus is no exit of the edit.
            if (isSelectionEdit(watched) && reason != Qt::ActiveWindowFocusReason &&
                reason != Qt::PopupFocusReason)
                platform::exitKeepingTab(
                    this, reason, [&] { platform::runGuarded(desktop_, this, [&] { editExit(watched); }); });
            break;
        }
        case QEvent::MouseButtonDblClick:
            if (watched == Label1) {
                platform::runGuarded(desktop_, this, [&] { Label1DblClick(); });
                return true;
            }
            break;
        case QEvent::MouseButtonPress:
            if (watched == centralWidget() || watched == viewContent_ || watched == view->viewport())
                platform::runGuarded(desktop_, this, [&] { outfocus(); });
            break;
        case QEvent::Resize:
            if (watched == centralWidget())
                platform::runGuarded(desktop_, this, [&] { FormResize(); });
            else if (watched == view->viewport())
                platform::runGuarded(desktop_, this, [&] { viewCanResize(); });
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace load
