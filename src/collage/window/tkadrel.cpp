#include "collage/window/tkadrel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QThread>
#include <QUrl>
#include <QWheelEvent>

#include "base/error.h"
#include "base/image.h"
#include "base/number.h"
#include "codecs/codecs.h"
#include "collage/adding.h"
#include "collage/fit.h"
#include "collage/loading.h"
#include "collage/openraster.h"
#include "collage/texts.h"
#include "collage/thumbnail.h"
#include "platform/desktop.h"
#include "platform/guard.h"
#include "platform/tab_order.h"
#include "platform/widgets.h"
#include "platform/window_keys.h"
#include "platform/zoom_menu.h"

namespace collage {

namespace {

QLabel* label(QWidget* parent, const QString& text, QRect geometry, const QColor& colour, bool bold) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    platform::textColour(l, QPalette::WindowText, colour);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QLineEdit* edit(QWidget* parent, const QString& name, const QString& text, QRect geometry,
                const QColor& colour = Qt::black) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setGeometry(geometry);
    platform::textColour(e, QPalette::Text, colour);
    return e;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, QRect geometry) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    return b;
}

platform::UpDown* spinner(QWidget* parent, const QString& name, Qt::Orientation o, QRect geometry, int min,
                          int max, QLineEdit* buddy, int increment = 1) {
    auto* s = new platform::UpDown(o, parent);
    s->setObjectName(name);
    s->setGeometry(geometry);
    s->setBuddy(buddy);
    s->setRange(min, max);
    s->setIncrement(increment);
    return s;
}

QImage blackSquare() {
    return base::makeBgr(100, 100, 0);
}

}  // namespace

// The reading thread and what it hands back. The thread touches nothing of the window: it reads
// the files and posts its progress to the window's thread.
struct Tkadrel::Loader {
    int id = 0;
    QStringList paths;
    std::vector<LoadedFile> files;
    std::unique_ptr<QThread> thread;
};

QString Tkadrel::openFilter() {
    return codecs::openFilter(codecs::OpenDialog::Pieces);
}

Tkadrel::Tkadrel(platform::Desktop& desktop, QWidget* parent) : QMainWindow(parent), desktop_(desktop) {
    setObjectName(QStringLiteral("kadrel"));
    setWindowTitle(QStringLiteral("カドレル"));
    resize(734, 670);
    setAcceptDrops(true);
    setFocusPolicy(Qt::ClickFocus);
    buildControls();
    buildMenus();
    wire();
    platform::tabInReadingOrder(this);
    keepColumnWhole();
    FormCreate();
}

Tkadrel::~Tkadrel() {
    // The reading thread posts to the progress bar only: it may finish, but not outlive us.
    if (loader_) loader_->thread->wait();
    endRecovery();
}

void Tkadrel::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    Label1 = label(client, QStringLiteral("画像パーツ"), {4, 4, 82, 16}, platform::kGreen, true);
    Label1->setObjectName(QStringLiteral("Label1"));
    pickn = edit(client, QStringLiteral("pickn"), QStringLiteral("0"), {108, 0, 32, 24});
    UpDownpickn =
        spinner(client, QStringLiteral("UpDownpickn"), Qt::Vertical, {140, 0, 16, 24}, 0, 255, pickn);
    UpDownpickn->setWrap(true);
    // The number edits are wide and their spinners narrow, so that the widest numbers show whole
    // (fitNumbers below) while the two diagrams keep their places.
    picLeft = edit(client, QStringLiteral("picLeft"), QStringLiteral("0"), {56, 32, 42, 21}, platform::kBlue);
    UpDownPL =
        spinner(client, QStringLiteral("UpDownPL"), Qt::Horizontal, {98, 32, 18, 21}, -1800, 1800, picLeft);
    picX = edit(client, QStringLiteral("picX"), QStringLiteral("1280"), {117, 32, 42, 21}, platform::kBlue);
    picX->setReadOnly(true);
    picTop = edit(client, QStringLiteral("picTop"), QStringLiteral("0"), {15, 56, 40, 21}, platform::kRed);
    UpDownPT =
        spinner(client, QStringLiteral("UpDownPT"), Qt::Vertical, {1, 56, 14, 21}, -1600, 1600, picTop, -1);
    picY = edit(client, QStringLiteral("picY"), QStringLiteral("1280"), {9, 132, 46, 21}, platform::kRed);
    picY->setReadOnly(true);
    preview = new platform::PictureControl(client);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setGeometry(56, 54, 100, 100);
    addpic = button(client, QStringLiteral("addpic"), QStringLiteral("追加"), {40, 156, 52, 24});
    editon = button(client, QStringLiteral("editon"), QStringLiteral("編集"), {104, 156, 52, 24});
    rawup = button(client, QStringLiteral("rawup"), QStringLiteral("上へ"), {40, 186, 52, 19});
    rawdown = button(client, QStringLiteral("rawdown"), QStringLiteral("下へ"), {104, 186, 52, 19});
    intrans = new QCheckBox(QStringLiteral("透明色"), client);
    intrans->setObjectName(QStringLiteral("intrans"));
    intrans->setGeometry(8, 216, 65, 17);
    transcolor = new platform::Swatch(client);
    transcolor->setObjectName(QStringLiteral("transcolor"));
    transcolor->setGeometry(88, 216, 17, 17);
    transcolor->hide();
    transpick = button(client, QStringLiteral("transpick"), QStringLiteral("色選択"), {112, 216, 41, 17});
    transpick->setCheckable(true);
    transpick->setEnabled(false);
    Label2 = label(client, QStringLiteral("キャンバス"), {4, 244, 77, 16}, QColor(255, 0, 255), true);
    Label2->setObjectName(QStringLiteral("Label2"));
    autosize = new QCheckBox(QStringLiteral("自動サイズ"), client);
    autosize->setObjectName(QStringLiteral("autosize"));
    autosize->setGeometry(0, 268, 89, 17);
    autosize->setChecked(true);
    offset = button(client, QStringLiteral("offset"), QStringLiteral("オフセット"), {1, 288, 54, 20});
    offset->setCheckable(true);
    offsetX =
        spinner(client, QStringLiteral("offsetX"), Qt::Horizontal, {56, 288, 40, 20}, -1800, 1800, nullptr);
    offsetX->hide();
    offsetY =
        spinner(client, QStringLiteral("offsetY"), Qt::Vertical, {32, 312, 20, 40}, -1600, 1600, nullptr, -1);
    offsetY->hide();
    sizeX = edit(client, QStringLiteral("sizeX"), QStringLiteral("0"), {98, 288, 43, 21}, platform::kBlue);
    UpDownX = spinner(client, QStringLiteral("UpDownX"), Qt::Horizontal, {141, 288, 18, 21}, 0, 1800, sizeX);
    sizeY = edit(client, QStringLiteral("sizeY"), QStringLiteral("0"), {15, 386, 40, 21}, platform::kRed);
    UpDownY = spinner(client, QStringLiteral("UpDownY"), Qt::Vertical, {1, 386, 14, 21}, 0, 1600, sizeY, -1);
    fit = button(client, QStringLiteral("fit"), QStringLiteral("フィット"), {4, 312, 50, 25});
    backpattern = new platform::PictureControl(client);
    backpattern->setObjectName(QStringLiteral("backpattern"));
    backpattern->setGeometry(56, 312, 100, 100);
    backcolor = button(client, QStringLiteral("backcolor"), QStringLiteral("色"), {56, 416, 44, 17});
    backpicture = button(client, QStringLiteral("backpicture"), QStringLiteral("画像"), {112, 416, 44, 17});
    Label3 = label(client, QStringLiteral("JPEG画質"), {84, 448, 48, 11}, Qt::black, false);
    Label3->setObjectName(QStringLiteral("Label3"));
    {
        QFont f = Label3->font();
        f.setPixelSize(10);
        Label3->setFont(f);
    }
    jpgq = edit(client, QStringLiteral("jpgq"), QStringLiteral("100"), {86, 460, 32, 20});
    UpDownjpgq =
        spinner(client, QStringLiteral("UpDownjpgq"), Qt::Horizontal, {118, 460, 20, 20}, 1, 100, jpgq, 10);
    UpDownjpgq->setPosition(100);
    save = button(client, QStringLiteral("save"), QStringLiteral("保存"), {4, 452, 61, 28});
    fulledit = button(client, QStringLiteral("fulledit"), QStringLiteral("全体編集"), {4, 496, 61, 24});
    fullshow = button(client, QStringLiteral("fullshow"), QStringLiteral("プレビュー"), {84, 496, 61, 24});
    progress = new QProgressBar(client);
    progress->setObjectName(QStringLiteral("progress"));
    progress->setGeometry(4, 528, 152, 16);
    progress->setTextVisible(false);
    progress->hide();

    view = new QScrollArea(client);
    view->setObjectName(QStringLiteral("view"));
    view->setGeometry(160, 0, 689, 609);
    view->setFocusPolicy(Qt::NoFocus);
    view->setWidgetResizable(false);
    view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    main = new QWidget;
    main->setObjectName(QStringLiteral("main"));
    main->resize(609, 505);
    main->setMouseTracking(true);
    view->setWidget(main);
    back = new platform::PictureControl(main);
    back->setObjectName(QStringLiteral("back"));
    back->setGeometry(0, 0, 105, 105);
    back->setMouseTracking(true);
    guides = new platform::GuideLines(main);
    guides->setObjectName(QStringLiteral("guides"));
    guides->hide();

    // Small text, so that every caption fits the narrow column.
    for (QWidget* w : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w == view || w == Label1 || w == Label2 || w == Label3) continue;
        QFont f = w->font();
        f.setPixelSize(12);
        w->setFont(f);
    }
    // The column is placed in fixed pixels, which suit a compact font: no inner padding, smaller
    // captions where the buttons are narrow.
    // "オフセット" reads white while up and black while down: the up face is dark enough for the
    // white caption (contrast about 9:1), the down face light; disabled, both fade.
    client->setStyleSheet(QStringLiteral(
        "QLineEdit { padding: 0px; } QPushButton { padding: 0px; }"
        "QPushButton#offset { color: white; background: #4a4a4a; border: 1px solid #262626; border-radius: "
        "2px; }"
        "QPushButton#offset:checked { color: black; background: #dcdcdc; border-color: #707070; }"
        "QPushButton#offset:disabled { color: #a8a8a8; background: #6e6e6e; border-color: #5a5a5a; }"
        "QPushButton#offset:checked:disabled { color: #8c8c8c; background: #e8e8e8; border-color: #b0b0b0; "
        "}"));
    for (QWidget* w : std::initializer_list<QWidget*>{offset, fit, transpick, backcolor, backpicture}) {
        QFont f = w->font();
        f.setPixelSize(11);
        w->setFont(f);
    }
    for (QLabel* l : {Label1, Label2}) {
        QFont f = l->font();
        f.setPixelSize(13);
        l->setFont(f);
    }
    // Captions that would not fit at the column's size.
    for (auto [w, pixels] : {std::pair<QWidget*, int>{offset, 10}, {fullshow, 11}}) {
        QFont f = w->font();
        f.setPixelSize(pixels);
        w->setFont(f);
    }
    const QStringList side{QStringLiteral("65535")};  // a picture's or the canvas's largest side
    platform::fitNumbers(pickn, {QStringLiteral("255")});
    platform::fitNumbers(picLeft, {QStringLiteral("-1800")});
    platform::fitNumbers(picTop, {QStringLiteral("-1600")});
    for (QLineEdit* e : {picX, picY, sizeX, sizeY}) platform::fitNumbers(e, side);
    platform::fitNumbers(jpgq, {QStringLiteral("100")});
}

void Tkadrel::keepColumnWhole() {
    // However small the window is made, the left column shows whole beside a strip of canvas.
    constexpr int kCanvasStrip = 120;
    QRect column;
    for (const QWidget* w : centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != view) column |= w->geometry();
    setMinimumSize(column.right() + 1 + kCanvasStrip,
                   column.bottom() + 1 + 4 + menuBar()->sizeHint().height());
}

void Tkadrel::buildMenus() {
    auto make = [this](QMenu* menu, const QString& name, const QString& caption, const QKeySequence& key) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        if (!key.isEmpty()) a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル"));
    addmenu = make(file, QStringLiteral("addmenu"), QStringLiteral("パーツ追加"),
                   QKeySequence(Qt::CTRL | Qt::Key_O));
    file->addSeparator();
    rawdelete =
        make(file, QStringLiteral("rawdelete"), QStringLiteral("パーツ削除"), QKeySequence(Qt::Key_F4));
    file->addSeparator();
    fullshowmenu = make(file, QStringLiteral("fullshowmenu"), QStringLiteral("プレビュー"), {});
    Savemenu =
        make(file, QStringLiteral("Savemenu"), QStringLiteral("保存"), QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    openArrangementMenu = make(file, QStringLiteral("openArrangementMenu"), QStringLiteral("配置を開く…"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    saveArrangementMenu = make(file, QStringLiteral("saveArrangementMenu"), QStringLiteral("配置を保存"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    saveArrangementAsMenu = make(file, QStringLiteral("saveArrangementAsMenu"),
                                 QStringLiteral("名前を付けて配置を保存…"), QKeySequence());

    QMenu* editMenu = menuBar()->addMenu(QStringLiteral("編集"));
    undomenu = make(editMenu, QStringLiteral("undomenu"), QStringLiteral("元に戻す"),
                    QKeySequence(Qt::CTRL | Qt::Key_Z));
    redomenu = make(editMenu, QStringLiteral("redomenu"), QStringLiteral("やり直し"),
                    QKeySequence(Qt::CTRL | Qt::Key_Y));
    redomenu->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    undomenu->setEnabled(false);
    redomenu->setEnabled(false);
    editMenu->addSeparator();
    editmenu = make(editMenu, QStringLiteral("editmenu"), QStringLiteral("パーツ編集"),
                    QKeySequence(Qt::CTRL | Qt::Key_E));
    fulleditmenu = make(editMenu, QStringLiteral("fulleditmenu"), QStringLiteral("全体編集"),
                        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E));
    editMenu->addSeparator();
    copymenu = make(editMenu, QStringLiteral("copymenu"), QStringLiteral("パーツコピー"),
                    QKeySequence(Qt::CTRL | Qt::Key_C));
    pastemanu = make(editMenu, QStringLiteral("pastemanu"), QStringLiteral("パーツ貼り付け"),
                     QKeySequence(Qt::CTRL | Qt::Key_V));
    fullcopymenu = make(editMenu, QStringLiteral("fullcopymenu"), QStringLiteral("全体コピー"),
                        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    editMenu->addSeparator();
    rawupmenu = make(editMenu, QStringLiteral("rawupmenu"), QStringLiteral("パーツを上へ"),
                     QKeySequence(Qt::Key_PageUp));
    rawdownmenu = make(editMenu, QStringLiteral("rawdownmenu"), QStringLiteral("パーツを下へ"),
                       QKeySequence(Qt::Key_PageDown));
    editMenu->addSeparator();
    arrangemenu = make(editMenu, QStringLiteral("arrangemenu"), QStringLiteral("整列…"),
                       QKeySequence(Qt::CTRL | Qt::Key_G));
    arrangemenu->setEnabled(false);
    editMenu->addSeparator();
    clear = make(editMenu, QStringLiteral("clear"), QStringLiteral("全消去"), QKeySequence(Qt::Key_Escape));

    zoomMenu = new platform::ZoomMenu(
        this, desktop_,
        {[this] { return viewZoom_; },
         [this](double z, std::optional<QPoint> about) { setViewZoom(z, about); },
         [this] { return platform::fitZoomIn(view, table().canvas(), QSize(0, 0), devicePixelRatioF()); }});
    zoomMenu->zoomOnWheel(view, main);

    QMenu* options = menuBar()->addMenu(QStringLiteral("オプション"));
    fitmenu = make(options, QStringLiteral("fitmenu"), QStringLiteral("キャンバスフィット"),
                   QKeySequence(Qt::CTRL | Qt::Key_F));
    options->addSeparator();
    overpics = make(options, QStringLiteral("overpics"), QStringLiteral("パーツを重ねない"),
                    QKeySequence(Qt::Key_Space));
    overpics->setCheckable(true);
    outframe = make(options, QStringLiteral("outframe"), QStringLiteral("パーツを枠外に出さない"),
                    QKeySequence(Qt::CTRL | Qt::Key_Space));
    outframe->setCheckable(true);
    snapmenu = make(options, QStringLiteral("snapmenu"), QStringLiteral("スナップ"),
                    QKeySequence(Qt::SHIFT | Qt::Key_Space));
    snapmenu->setCheckable(true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ"));
    Helpon = make(help, QStringLiteral("Helpon"), QStringLiteral("ヘルプ"), QKeySequence(Qt::Key_F1));
}

void Tkadrel::wire() {
    auto on = [this](auto* sender, auto signal, auto handler) {
        platform::onSignal(desktop_, this, sender, signal, handler);
    };
    on(addpic, &QPushButton::clicked, &Tkadrel::addpicClick);
    on(addmenu, &QAction::triggered, &Tkadrel::addpicClick);
    on(clear, &QAction::triggered, &Tkadrel::clearClick);
    on(undomenu, &QAction::triggered, &Tkadrel::undoClick);
    on(redomenu, &QAction::triggered, &Tkadrel::redoClick);
    on(arrangemenu, &QAction::triggered, &Tkadrel::arrangeClick);
    on(fit, &QPushButton::clicked, &Tkadrel::fitClick);
    on(fitmenu, &QAction::triggered, &Tkadrel::fitClick);
    on(UpDownX, &platform::UpDown::clicked, &Tkadrel::UpDownXClick);
    on(UpDownY, &platform::UpDown::clicked, &Tkadrel::UpDownYClick);
    on(autosize, &QCheckBox::clicked, &Tkadrel::autosizeClick);
    on(save, &QPushButton::clicked, &Tkadrel::saveClick);
    on(Savemenu, &QAction::triggered, &Tkadrel::saveClick);
    on(openArrangementMenu, &QAction::triggered, &Tkadrel::openArrangementClick);
    connect(saveArrangementMenu, &QAction::triggered, this,
            platform::guarded(desktop_, this, [this] { saveArrangementClick(); }));
    connect(saveArrangementAsMenu, &QAction::triggered, this,
            platform::guarded(desktop_, this, [this] { saveArrangementAsClick(); }));
    on(fullcopymenu, &QAction::triggered, &Tkadrel::fullcopymenuClick);
    on(backcolor, &QPushButton::clicked, &Tkadrel::backcolorClick);
    on(backpicture, &QPushButton::clicked, &Tkadrel::backpictureClick);
    on(fullshow, &QPushButton::clicked, &Tkadrel::fullshowClick);
    on(fullshowmenu, &QAction::triggered, &Tkadrel::fullshowClick);
    on(Helpon, &QAction::triggered, &Tkadrel::helponClick);
    on(editon, &QPushButton::clicked, &Tkadrel::editonClick);
    on(editmenu, &QAction::triggered, &Tkadrel::editonClick);
    on(fulledit, &QPushButton::clicked, &Tkadrel::fulleditClick);
    on(fulleditmenu, &QAction::triggered, &Tkadrel::fulleditClick);
    on(copymenu, &QAction::triggered, &Tkadrel::copymenuClick);
    on(pastemanu, &QAction::triggered, &Tkadrel::pastemanuClick);
    on(rawup, &QPushButton::clicked, &Tkadrel::rawupClick);
    on(rawupmenu, &QAction::triggered, &Tkadrel::rawupClick);
    on(rawdown, &QPushButton::clicked, &Tkadrel::rawdownClick);
    on(rawdownmenu, &QAction::triggered, &Tkadrel::rawdownClick);
    on(rawdelete, &QAction::triggered, &Tkadrel::rawdeleteClick);
    on(overpics, &QAction::triggered, &Tkadrel::overpicsClick);
    on(outframe, &QAction::triggered, &Tkadrel::outframeClick);
    // The check items are the document's options, however they are changed.
    connect(overpics, &QAction::toggled, this, [this](bool checked) { doc_.setNoOverlap(checked); });
    connect(outframe, &QAction::toggled, this, [this](bool checked) { doc_.setKeepInside(checked); });
    connect(snapmenu, &QAction::toggled, this, [this](bool checked) { doc_.setSnap(checked); });
    on(intrans, &QCheckBox::clicked, &Tkadrel::intransClick);
    on(offset, &QPushButton::clicked, &Tkadrel::offsetClick);
    on(UpDownpickn, &platform::UpDown::clicked, &Tkadrel::UpDownpicknMouseDown);
    on(UpDownPL, &platform::UpDown::clicked, &Tkadrel::UpDownPLMouseDown);
    on(UpDownPT, &platform::UpDown::clicked, &Tkadrel::UpDownPTMouseDown);
    connect(offsetX, &platform::UpDown::changed, this, [this](platform::UpDown::Button b) {
        platform::runGuarded(desktop_, this, [&] { offsetXClick(b); });
    });
    connect(offsetY, &platform::UpDown::changed, this, [this](platform::UpDown::Button b) {
        platform::runGuarded(desktop_, this, [&] { offsetYClick(b); });
    });
    connect(back, &platform::PictureControl::mousePressed, this,
            platform::guarded(desktop_, this, [this] { Clickout(); }));
    connect(back, &platform::PictureControl::mouseMoved, this, [this](QMouseEvent* e) {
        platform::runGuarded(desktop_, this, [&] { ImageMouseMove(back, e); });
    });

    // Key preview: the window sees a key before the control that has the focus.
    new platform::WindowKeys(this, [this](QKeyEvent* event) {
        platform::runGuarded(desktop_, this, [&] { FormKeyDown(event->key()); });
    });
    // The number edits apply when left; a move over the canvas drags.
    for (QLineEdit* e : {sizeX, sizeY, pickn, picLeft, picTop}) e->installEventFilter(this);
    main->installEventFilter(this);
}

void Tkadrel::FormCreate() {
    doc_.replace(PieceTable());
    composite_ = QImage();
    UpDownpickn->setMaximum(0);
    for (QLineEdit* e : {picLeft, picX, picTop, picY}) e->clear();
}

void Tkadrel::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        platform::runGuarded(desktop_, this, [this] { FormShow(); });
    }
}

void Tkadrel::FormShow() {
    const QSize screen = desktop_.screenSize();
    doc_.setScreenWidth(screen.width());
    doc_.replace(PieceTable(screen, autosize->isChecked()));
    syncCanvas();
    backpattern->setPicture(blackSquare());
    shownBackground_ = -1;
    preview->setPicture(blackSquare());
    offset->setEnabled(false);
    fit->setEnabled(false);
    sizeX->setReadOnly(true);
    sizeY->setReadOnly(true);
    UpDownX->setEnabled(false);
    UpDownY->setEnabled(false);
    Q_EMIT placeOtherWindows(screen);
}

void Tkadrel::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void Tkadrel::FormResize() {
    const QWidget* client = centralWidget();
    view->resize(std::max(0, client->width() - 160), std::max(0, client->height()));
}

int Tkadrel::canvasWidth() const {
    return table().canvas().width();
}
int Tkadrel::canvasHeight() const {
    return table().canvas().height();
}

platform::ViewScale Tkadrel::viewScale() const {
    return platform::ViewScale(viewZoom_, devicePixelRatioF());
}

void Tkadrel::setViewZoom(double zoom, std::optional<QPoint> about) {
    const QPoint anchor = platform::zoomAnchor(view, about);
    const QPointF under = platform::pictureUnder(view, QPoint(0, 0), viewScale(), anchor);
    viewZoom_ = std::clamp(zoom, platform::kMinZoom, platform::kMaxZoom);
    zoomMenu->showZoom(viewZoom_);
    syncPieces();
    syncCanvas();
    platform::scrollPictureTo(view, QPoint(0, 0), viewScale(), under, anchor);
}

int Tkadrel::slotAt(QPoint pixel, const QWidget* sender) const {
    for (int i = pieceCount() - 1; i >= 0; --i) {
        const Rect& r = table().pieceRect(i);
        if (pixel.x() >= r.left && pixel.x() < r.right() && pixel.y() >= r.top && pixel.y() < r.bottom())
            return i;
    }
    const auto found = std::find(pieceImage_.begin(), pieceImage_.end(), sender);
    return found == pieceImage_.end() ? -1 : static_cast<int>(found - pieceImage_.begin());
}

void Tkadrel::setTable(PieceTable table) {
    act(StepKind::Other, [&](PieceTable& t, const Options&) { t = std::move(table); });
}

void Tkadrel::showEffects(const Effects& effects) {
    for (const QString& text : effects.notices) desktop_.notice(this, text);
}

platform::PictureControl* Tkadrel::makePieceControl() {
    auto* control = new platform::PictureControl(main);
    control->setObjectName(QStringLiteral("piece"));
    control->setAutoSize(true);
    control->setMouseTracking(false);
    connect(control, &platform::PictureControl::mousePressed, this, [this, control](QMouseEvent* e) {
        platform::runGuarded(desktop_, this, [&] { ImageMouseDown(control, e); });
    });
    connect(control, &platform::PictureControl::mouseMoved, this, [this, control](QMouseEvent* e) {
        platform::runGuarded(desktop_, this, [&] { ImageMouseMove(control, e); });
    });
    connect(control, &platform::PictureControl::mouseReleased, this, [this, control](QMouseEvent* e) {
        platform::runGuarded(desktop_, this, [&] { ImageMouseUp(control, e); });
    });
    control->show();
    return control;
}

void Tkadrel::syncPieces() {
    const platform::ViewScale scale = viewScale();
    const auto count = static_cast<size_t>(pieceCount());
    bool reorder = false;
    while (pieceImage_.size() > count) {
        delete pieceImage_.back();
        pieceImage_.pop_back();
    }
    while (pieceImage_.size() < count) {
        pieceImage_.push_back(makePieceControl());
        reorder = true;
    }
    for (size_t i = 0; i < count; ++i) {
        const Piece& p = table().piece(static_cast<int>(i));
        platform::PictureControl* c = pieceImage_[i];
        if (c->picture().cacheKey() != p.picture.cacheKey()) {
            c->setPicture(p.picture);
            reorder = true;
        }
        c->setTransparentColour(p.pieceTransColor);
        c->setTransparent(p.transparent);
        c->setViewScale(scale);
        c->move(scale.identity() ? QPoint(p.pieceRect.left, p.pieceRect.top)
                                 : scale.toView(QPoint(p.pieceRect.left, p.pieceRect.top)));
    }
    if (reorder) {
        for (platform::PictureControl* c : pieceImage_) c->raise();
        guides->raise();
    }
}

void Tkadrel::syncCanvas() {
    const QSize size = table().canvas();
    const Background& bg = table().background();
    const qint64 key = bg.picture.isNull() ? 0 : bg.picture.cacheKey();
    if (size != filledSize_ || bg.colour != filledColour_ || key != filledPicture_ ||
        back->picture().size() != size) {
        back->setPicture(collage::fillBackground(size, bg));
        filledSize_ = size;
        filledColour_ = bg.colour;
        filledPicture_ = key;
    }
    const platform::ViewScale scale = viewScale();
    back->setViewScale(scale);
    const QSize shown = scale.identity() ? size : scale.toView(size);
    back->resize(shown);
    main->resize(shown);
    guides->resize(shown);
    sizeX->setText(QString::number(size.width()));
    sizeY->setText(QString::number(size.height()));
    if (shown_ && (key != shownBackground_ || bg.colour != shownColour_)) {
        shownBackground_ = key;
        shownColour_ = bg.colour;
        // The sample shows the picture from its corner, cut to 100 x 100, not scaled.
        QImage sample = base::makeBgr(100, 100, bg.picture.isNull() ? bg.colour : 0);
        if (!bg.picture.isNull()) {
            const QImage corner =
                bg.picture.copy(0, 0, std::min(100, bg.picture.width()), std::min(100, bg.picture.height()));
            for (int y = 0; y < corner.height(); ++y)
                std::memcpy(sample.scanLine(y), corner.constScanLine(y),
                            static_cast<size_t>(corner.width()) * 3);
        }
        backpattern->setPicture(sample);
    }
}

void Tkadrel::showEmpty() {
    pickn->setText(QStringLiteral("0"));
    UpDownpickn->setMaximum(0);
    for (QLineEdit* e : {picLeft, picX, picTop, picY}) e->clear();
    preview->setPicture(blackSquare());
    intrans->setChecked(false);
    transcolor->hide();
    transpick->setEnabled(false);
    transpick->setChecked(false);
}

void Tkadrel::showCurrent() {
    const Piece* piece = table().current();
    if (piece == nullptr) {
        showEmpty();
        return;
    }
    UpDownpickn->setMaximum(pieceCount() - 1);
    pickn->setText(QString::number(pickIndex()));
    picLeft->setText(QString::number(piece->pieceRect.left));
    picTop->setText(QString::number(piece->pieceRect.top));
    picX->setText(QString::number(piece->pieceRect.width));
    picY->setText(QString::number(piece->pieceRect.height));
    // A piece from a document kadrel-cli wrote has no thumbnail of its own: the column shows one
    // made as an added piece's would be.
    const QImage thumbnail = piece->thumbnail.isNull() ? addedThumbnail(piece->picture) : piece->thumbnail;
    if (!thumbnail.isNull()) {
        preview->setPicture(thumbnail);
        composite_ = thumbnail;
    }
    intrans->setChecked(piece->transparent);
    if (piece->transparent) {
        transcolor->setColour(piece->pieceTransColor);
        transcolor->show();
        transpick->setEnabled(true);
    } else {
        transcolor->hide();
        transpick->setEnabled(false);
    }
}

void Tkadrel::refresh() {
    if (!doc_.dragging()) guides->setLines({}, {});
    syncPieces();
    syncCanvas();
    showCurrent();
    const bool c = table().autoSize();
    autosize->setChecked(c);
    for (QWidget* w : std::initializer_list<QWidget*>{offset, fit, UpDownX, UpDownY}) w->setEnabled(!c);
    sizeX->setReadOnly(c);
    sizeY->setReadOnly(c);
    undomenu->setEnabled(history().canUndo());
    redomenu->setEnabled(history().canRedo());
    documentChanged();
    arrangemenu->setEnabled(pieceCount() > 0);
    overpics->setChecked(options().noOverlap);
    outframe->setChecked(options().keepInside);
    snapmenu->setChecked(options().snap);
}

void Tkadrel::pickchange() {
    showCurrent();
    Clickout();
}

void Tkadrel::Clickout() {
    // The window itself takes the focus: an edit that loses it applies its value, and the
    // cursor keys then move the current piece.
    setFocus(Qt::OtherFocusReason);
}

void Tkadrel::mousePressEvent(QMouseEvent* event) {
    QMainWindow::mousePressEvent(event);
    platform::runGuarded(desktop_, this, [this] { Clickout(); });
}

void Tkadrel::clearClick() {
    if (!desktop_.confirm(this, texts::confirmClear())) return;
    act(StepKind::Other, [](PieceTable& t, const Options&) { t.clear(); });
}

void Tkadrel::undoClick() {
    // A drag or a preview still open ends first, as a step of its own.
    if (redrawing([this] { return doc_.undo(); })) pickchange();
}

void Tkadrel::redoClick() {
    if (redrawing([this] { return doc_.redo(); })) pickchange();
}

void Tkadrel::addpicClick() {
    const QStringList paths = desktop_.openFiles(this, openFilter(), openFileName_, true);
    // The next dialog starts where the user chose, whether or not the files load.
    if (!paths.isEmpty()) openFileName_ = paths.last();
    addFiles(paths);
}

void Tkadrel::dropFiles(const QStringList& paths) {
    addFiles(paths);
    activateWindow();
    raise();
}

void Tkadrel::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void Tkadrel::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    event->acceptProposedAction();
    platform::runGuarded(desktop_, this, [this, &paths] { dropFiles(paths); });
}

void Tkadrel::addFiles(const QStringList& paths) {
    // An arrangement among the files opens (asking first about unsaved changes); the pictures
    // are added to whatever arrangement is then open.
    QStringList pictures;
    QString document;
    for (const QString& path : paths) {
        if (!isOpenRasterName(path))
            pictures << path;
        else if (document.isEmpty())
            document = path;
    }
    std::exception_ptr refused;
    if (!document.isEmpty()) {
        try {
            openArrangement(document);
        } catch (...) {
            refused = std::current_exception();
        }
    }
    if (!pictures.isEmpty()) {
        queuedFiles_ << pictures;
        if (!loader_) startLoading();
    }
    if (refused) std::rethrow_exception(refused);
}

void Tkadrel::startLoading() {
    static int loads = 0;
    loader_ = std::make_unique<Loader>();
    loader_->id = ++loads;
    loader_->paths = std::move(queuedFiles_);
    queuedFiles_.clear();
    Loader* l = loader_.get();
    progress->setRange(0, static_cast<int>(l->paths.size()));
    progress->setValue(0);
    progress->show();
    QPointer<QProgressBar> bar(progress);
    l->thread.reset(QThread::create([l, bar] {
        l->files = readPieceFiles(l->paths, [bar](int done) {
            QMetaObject::invokeMethod(
                bar, [bar, done] { bar->setValue(done); }, Qt::QueuedConnection);
        });
    }));
    connect(l->thread.get(), &QThread::finished, this, [this, id = l->id] {
        // A test's wait may have taken these files already, and a later read begun.
        if (loader_ && loader_->id == id) platform::runGuarded(desktop_, this, [this] { finishLoading(); });
    });
    l->thread->start();
}

void Tkadrel::waitForLoading() {
    while (loader_) {
        loader_->thread->wait();
        platform::runGuarded(desktop_, this, [this] { finishLoading(); });
    }
}

void Tkadrel::finishLoading() {
    if (!loader_) return;  // the wait of a test got here first
    loader_->thread->wait();
    const std::unique_ptr<Loader> done = std::move(loader_);
    progress->hide();
    const AddReport report = doc_.addFiles(done->files);
    // The next open dialog and the save dialog start from the last file added.
    for (auto f = done->files.rbegin(); f != done->files.rend(); ++f) {
        if (f->picture.isNull()) continue;
        const codecs::Format format = codecs::pieceFormat(f->path);
        openFileName_ = f->path;
        workExt_ = codecs::extensionOf(f->path);
        saveFilterIndex_ = codecs::filterIndexOf(codecs::kJoinedSaveOrder, format);
        break;
    }
    refresh();
    if (report.added > 0) pickchange();
    if (!queuedFiles_.isEmpty()) startLoading();
    showEffects(report.effects);
    if (!report.failures.isEmpty()) throw base::Error(texts::filesNotAdded(report.failures));
}

void Tkadrel::Adding(const QImage& picture, const QString& file) {
    Piece piece;
    piece.picture = picture;
    piece.pieceFile = file;
    piece.thumbnail = addedThumbnail(picture);
    act(StepKind::Other, [&](PieceTable& t, const Options& o) {
        try {
            return t.add(std::move(piece), o);
        } catch (const base::Error& e) {
            // The message says which file or paste could not be added.
            const QString what = file.isEmpty() ? texts::pastedPiece() : file;
            throw base::Error(what + QStringLiteral(": ") + QString::fromUtf8(e.what()));
        }
    });
    composite_ = table().current()->thumbnail;
}

void Tkadrel::fitClick() {
    act(StepKind::Other, [](PieceTable& t, const Options&) { t.fit(); });
    Clickout();
}

void Tkadrel::applyCanvasEdit(QLineEdit* editor, bool horizontal) {
    act(StepKind::Other, [&](PieceTable& t, const Options& o) {
        const int value = base::parseInt(editor->text());
        return horizontal ? t.setCanvasWidth(value, o) : t.setCanvasHeight(value, o);
    });
}

void Tkadrel::sizeXExit() {
    applyCanvasEdit(sizeX, true);
}
void Tkadrel::sizeYExit() {
    applyCanvasEdit(sizeY, false);
}
void Tkadrel::UpDownXClick() {
    sizeXExit();
}
void Tkadrel::UpDownYClick() {
    sizeYExit();
}

void Tkadrel::autosizeClick() {
    const bool c = autosize->isChecked();
    act(StepKind::Other, [c](PieceTable& t, const Options&) { t.setAutoSize(c); });
    if (c) Clickout();
}

bool Tkadrel::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
            if (watched == main) {
                platform::runGuarded(desktop_, this,
                                     [&] { ImageMouseMove(main, static_cast<QMouseEvent*>(event)); });
            }
            return false;
        default:
            break;
    }
    if (event->type() == QEvent::FocusOut) {
        if (suppressExit_) return false;
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Only a move of the focus inside the window applies an edit, not a message box or
        // another window taking it.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
        // Tab applies the edit and goes on: the next control keeps the focus.
        platform::exitKeepingTab(this, reason, [&] {
            platform::runGuarded(desktop_, this, [&] {
                if (watched == sizeX)
                    sizeXExit();
                else if (watched == sizeY)
                    sizeYExit();
                else if (watched == pickn)
                    picknExit();
                else if (watched == picLeft)
                    picLeftExit();
                else if (watched == picTop)
                    picTopExit();
            });
        });
        return false;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace collage
