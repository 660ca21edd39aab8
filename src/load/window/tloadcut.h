#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>

#include "base/colour.h"
#include "load/load_source.h"
#include "load/selection.h"
#include "platform/desktop.h"
#include "platform/view_zoom.h"

class QAbstractButton;
class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMouseEvent;
class QPushButton;
class QScrollArea;
class QScrollBar;

namespace platform {
class PictureControl;
class ZoomMenu;
class UpDown;
}  // namespace platform

namespace load {

class Outline;
class SlideBar;

// What a common file dialog of the window remembers between uses.
struct FileDialog {
    QString filter;  // "caption|patterns|..." pairs
    QString fileName;
    int filterIndex = 1;  // 1-based
};

// The cut editor "ロード＆カット": one picture at its natural size in a scrolling view, with slide-bar
// rulers above and left of it and a selection rectangle kept in four places at once (the bars'
// selection ranges, the bars' thumbs, six edits and the inverting frame `shot`).
//
// Controls are public members, so that tests drive them as a user would, each with its member
// name as objectName; the editor's state follows. Handlers are thin: they read the controls, call
// the functions of load_core and write the controls back. Every entry point from Qt runs through
// platform::runGuarded, so a handler that throws shows its text in the error box.
class Tloadcut : public QMainWindow {
    Q_OBJECT
public:
    // `desktop` outlives the window: its dialogs and its clipboard are the window's.
    explicit Tloadcut(platform::Desktop& desktop, QWidget* parent = nullptr);
    ~Tloadcut() override;

    // --- Controls ------------------------------------------------------------------------------
    QPushButton* Loadpic;
    QPushButton* resizeon;
    QPushButton* cutout;
    QPushButton* addpic;
    QPushButton* cancel;
    QPushButton* savepic;
    QLabel* Label1;
    QLabel* originx;
    QLabel* originy;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* edgexl;
    QLineEdit* sizex;
    QLineEdit* edgexr;
    QLineEdit* edgeyu;
    QLineEdit* sizey;
    QLineEdit* edgeyb;
    platform::UpDown* UpDownxl;
    platform::UpDown* UpDownX;
    platform::UpDown* UpDownxr;
    platform::UpDown* UpDownyu;
    platform::UpDown* UpDownY;
    platform::UpDown* UpDownyb;
    QPushButton* XL;
    QPushButton* XR;
    QPushButton* YU;
    QPushButton* YB;
    QLabel* Label4;
    QLineEdit* jpgq;
    platform::UpDown* UpDownjpgq;
    QScrollArea* view;
    platform::PictureControl* mainimage;
    Outline* shot;
    Outline* beam;
    SlideBar* areax;
    SlideBar* areay;
    QFrame* cover;
    FileDialog OpenPictureDialog1;
    FileDialog SaveDialog1;

    QMenu* File1;
    QAction* reloadmenu;
    QAction* loadmenu;
    QAction* N3;
    QAction* cutsavemenu;
    QMenu* Edit1;
    QAction* resizemenu;
    QAction* cutmenu;
    QAction* N6;
    QAction* Pastemenu;
    QAction* Copymenu;
    QAction* N8;
    QAction* Hflip;
    QAction* Vflip;
    QMenu* N11;
    QAction* resetmenu;
    QMenu* Help1;
    QAction* Helpmenu;
    // "表示": the view zoom (platform::ZoomMenu).
    platform::ZoomMenu* zoomMenu;

    // --- Editor state --------------------------------------------------------------------------
    int picWidth = 0;
    int picHeight = 0;
    unsigned cutMode = 0;  // 0 save the selection, 1 return it, 2 cut the picture down to it
    QImage pictureCopy;    // 24-bit copy of the displayed picture, rebuilt by loaded()
    QImage resultBitmap;   // null when none is held
    QString lastFile;
    bool resizeTransparency = false;

    // State shared by the selection handlers. imageOrigin is where the picture's first pixel
    // lies in the view's content, the coordinates of the frame, the marker and the bars.
    QPoint imageOrigin;
    bool selecting = false;    // a Ctrl-drag selection is in progress
    bool movingFrame = false;  // a drag of the whole frame is in progress
    QPoint dragAnchor;
    QPoint frameAtGrab;
    int savedHScroll = 0;
    int savedVScroll = 0;

    // --- Hooks the program wires to the other windows; unset they do nothing ------------------
    std::function<void()> showHelp;  // "ヘルプ" (F1)
    // Whether the resize dialog's "色選択" is down, and what to do with a colour picked then.
    std::function<bool()> pickingColour;
    std::function<void(base::Colour)> colourPicked;
    // The state of the Ctrl key at the moment of a command; by default the keyboard's.
    std::function<bool()> ctrlHeld;
    // "OK": the selected part for the main window's current piece, with the resize dialog's
    // transparent colour when its "透明色" was on.
    std::function<void(const QImage& result, std::optional<base::Colour> key)> returnToCanvas;
    // The resize dialog's transparent colour, read at "OK".
    std::function<base::Colour()> resizeColour;
    // "ズーム" / "サイズ変更": shows the resize dialog beside the editor.
    std::function<void()> openResize;
    // Closes the resize dialog as キャンセル: it belongs to this window and goes with it.
    std::function<void()> closeResize;

    // --- For the main window -------------------------------------------------------------------
    // Puts a copy of `picture` into mainimage and sets the editor up for it (loaded()).
    void takePicture(const QImage& picture);
    // Shows `picture` (a preview) without making it the editor's picture; the view grows to let
    // the user scroll over a larger one. loaded() or takePicture() makes it stick.
    void displayPicture(const QImage& picture);
    // The selection frame is hidden while the resize dialog is open, so presses reach the picture.
    void showSelectionFrame(bool on);
    // "編集": the current piece's picture, which OK will return; reloading reads `file` again.
    void editPiece(const QImage& picture, const QString& file);
    // "全体編集": the composed canvas, which can only be saved; the save dialog preselects the
    // format of `workFileName`'s extension.
    void editWhole(const QImage& picture, const QString& workFileName);
    // The selection as the bars hold it: columns x0..x1, rows y0..y1 (may be empty).
    QRect selection() const;
    // The selection frame as the editor keeps it (view-content coordinates).
    QRect frame() const;

    // --- View zoom: how many device pixels show one picture pixel -------------------------------
    // Drawing only: the selection, the bars and every gesture stay in picture pixels. `about` is
    // the viewport point that stays over the same picture pixel (the centre when omitted).
    double viewZoom() const { return viewZoom_; }
    platform::ViewScale viewScale() const;
    void setViewZoom(double zoom, std::optional<QPoint> about = std::nullopt);

    // --- Creation, loading, layout -------------------------------------------------------------
    void creation();
    void FormDestroy();
    void loaded();
    void selectload(LoadSender sender);
    void outfocus();
    void FormResize();
    void viewCanResize();
    void verClick();

    // --- Edits, spinners and reset -------------------------------------------------------------
    void edgexlon();
    void sizexon();
    void edgexron();
    void edgeyuon();
    void sizeyon();
    void edgeybon();
    void Label1DblClick();

    // --- Slide bars and edge-move buttons ------------------------------------------------------
    void areaxtick(int position);
    void areaytick(int position);
    void areaxEnter();
    void areayEnter();
    void areaxExit();
    void areayExit();
    void XLRMouseDown();
    void YUBMouseDown();
    void XLRClick();
    void YUBClick();

    // --- Mouse on the picture, the frame and the marker ---------------------------------------
    void mainimageMouseDown(QMouseEvent* event);
    void mainimageMouseMove(QMouseEvent* event);
    void mainimageMouseUp(QMouseEvent* event);
    void shotMouseDown(QWidget* receiver, QMouseEvent* event);
    void shotMouseMove(QWidget* receiver, QMouseEvent* event);
    void shotMouseUp(QWidget* receiver, QMouseEvent* event);

    // --- Cut out, save, return, flips, clipboard, resize ---------------------------------------
    void addpicClick();
    void cutoutClick();
    void savepicClick();
    void cancelClick();
    void savecut();
    void resizeonClick();
    void PastemenuClick();
    void CopymenuClick();
    void HflipClick();
    void VflipClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closed (キャンセル, OK, the title bar): the resize dialog closes too, and the pictures go;
    // the next edit brings its own.
    void hideEvent(QHideEvent* event) override;

private:
    enum class Dir { X, Y };
    enum class Edge { Low, Size, High };

    // The controls and numbers of one axis, so the twin handlers share one body.
    struct AxisParts {
        SlideBar* bar;
        QLineEdit* low;
        QLineEdit* size;
        QLineEdit* high;
        QAbstractButton* lowButton;
        QAbstractButton* highButton;
        platform::UpDown* sizeSpinner;  // takes the focus away from the bar
    };

    void buildControls();
    void buildMenus();
    AxisParts parts(Dir d) const;
    int extent(Dir d) const { return d == Dir::X ? picWidth : picHeight; }
    int origin(Dir d) const { return d == Dir::X ? imageOrigin.x() : imageOrigin.y(); }
    QScrollBar* scrollBar(Dir d) const;
    int& savedScroll(Dir d) { return d == Dir::X ? savedHScroll : savedVScroll; }
    Axis axisOf(Dir d) const;
    bool ctrlNow() const;
    void saveSelection(const QRect& area);
    void setWholeMode(bool whole);
    bool shortcutSave_ = false;  // cutsavemenu is being triggered by its own Ctrl+S

    void readPicture(const QString& path);
    QString runOpenDialog();
    void showWhole(Dir d);
    void showAxis(Dir d, const Axis& a, int thumb);
    void setFrame(Dir d, const Span& s);
    void applyFrame();
    void parkMarker();
    // The marker line over value `thumb` of the bar of `d`, across the whole picture.
    void placeMarker(Dir d, int thumb);
    void pinRulers();
    int checkedWidth(Dir d) const;

    void commit(Dir d, Edge e);
    void spinnerPressed(int index);
    void spinnerClicked(int index, Dir d, Edge e);
    void tick(Dir d, int position);
    void barEnter(Dir d);
    void barExit(Dir d);
    void edgeMouseDown(Dir d);
    void edgeClick(Dir d);

    void pressPicture(QPoint at, bool ctrl);
    void dragSelection(QPoint at);
    void releaseSelection(QPoint at);
    QPoint contentPoint(QWidget* receiver, QMouseEvent* event) const;

    bool isSelectionEdit(QObject* o) const;
    void editExit(QObject* edit);

    // Content coordinates (picture pixels from imageOrigin) against where they show at the zoom.
    QRect shownRect(const QRect& content) const;
    int shownX(int contentX) const;
    int shownY(int contentY) const;
    void layoutContent();

    platform::Desktop& desktop_;
    QWidget* viewContent_ = nullptr;
    double viewZoom_ = 1.0;
    std::array<Span, 2> frame_{};
    std::array<int, 6> spinBefore_{};
};

}  // namespace load
