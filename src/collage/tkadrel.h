#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

#include <QImage>
#include <QMainWindow>
#include <QPointF>
#include <QString>

#include "base/colour.h"
#include "collage/background.h"
#include "collage/history.h"
#include "collage/piece_table.h"
#include "collage/rect.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QMouseEvent;

#include "platform/desktop.h"
#include "platform/widgets.h"
#include "platform/zoom_menu.h"

namespace collage {

class Tarrange;

// The main window "カドレル": the piece table, the canvas and the left column.
class Tkadrel : public QMainWindow {
    Q_OBJECT
public:
    // `desktop` outlives the window: its dialogs, its screen and its clipboard are the window's.
    explicit Tkadrel(platform::Desktop& desktop, QWidget* parent = nullptr);
    ~Tkadrel() override;

    platform::Desktop& desktop() const { return desktop_; }

    // Controls, public so that tests drive them as a user would; each has its member name as
    // objectName.
    QLabel* Label1;
    QLineEdit* pickn;
    platform::UpDown* UpDownpickn;
    QLineEdit* picLeft;
    platform::UpDown* UpDownPL;
    QLineEdit* picX;
    QLineEdit* picTop;
    platform::UpDown* UpDownPT;
    QLineEdit* picY;
    platform::PictureControl* preview;
    QPushButton* addpic;
    QPushButton* editon;
    QPushButton* rawup;
    QPushButton* rawdown;
    QCheckBox* intrans;
    platform::Swatch* transcolor;
    QPushButton* transpick;
    QLabel* Label2;
    QCheckBox* autosize;
    QPushButton* offset;
    platform::UpDown* offsetX;
    platform::UpDown* offsetY;
    QLineEdit* sizeX;
    platform::UpDown* UpDownX;
    QLineEdit* sizeY;
    platform::UpDown* UpDownY;
    QPushButton* fit;
    platform::PictureControl* backpattern;
    QPushButton* backcolor;
    QPushButton* backpicture;
    QLabel* Label3;
    QLineEdit* jpgq;
    platform::UpDown* UpDownjpgq;
    QPushButton* save;
    QPushButton* fulledit;
    QPushButton* fullshow;
    QScrollArea* view;
    QWidget* main;
    platform::PictureControl* back;

    // Menu items.
    QAction* addmenu;
    QAction* rawdelete;
    QAction* fullshowmenu;
    QAction* Savemenu;
    QAction* editmenu;
    QAction* fulleditmenu;
    QAction* copymenu;
    QAction* pastemanu;
    QAction* fullcopymenu;
    QAction* rawupmenu;
    QAction* rawdownmenu;
    QAction* clear;
    QAction* fitmenu;
    QAction* overpics;
    QAction* outframe;
    QAction* Helpon;
    QAction* undomenu;
    QAction* redomenu;
    QAction* arrangemenu;
    // "表示": the view zoom (platform::ZoomMenu).
    platform::ZoomMenu* zoomMenu;

    // The pieces' controls, one per slot of the table, drawn in slot order.
    std::vector<platform::PictureControl*> pieceImage;
    QString workFileName;
    QString workExt;
    QImage composite;
    bool dragging = false;
    int saveFilterIndex = 1;  // the save dialog's filter, in codecs::kJoinedSaveOrder
    QString openFileName;     // where the next open dialog starts
    QString saveDialogName;   // where the next save dialog starts

    // The state the user edits, and its undo history.
    const PieceTable& table() const { return table_; }
    const History& history() const { return history_; }
    int pieceCount() const { return table_.pieceCount(); }
    int pickIndex() const { return table_.pickIndex(); }
    // The placement options and the screen, as the edits of the table read them.
    Options options() const;
    // Replaces the whole state and redraws; the history is kept (a state made outside the window).
    void setTable(PieceTable table);

    // Lifecycle.
    void FormCreate();
    void FormShow();
    void FormResize();

    // The current piece in the left column; takes the focus away from the controls.
    void pickchange();
    void clearClick();

    // Adding pieces.
    void addpicClick();
    void dropFiles(const QStringList& paths);
    void loading(const QString& fileName);
    void Adding(const QImage& picture, const QString& file = {});

    // Canvas size.
    void fitClick();
    void sizeXExit();
    void sizeYExit();
    void UpDownXClick();
    void UpDownYClick();
    void autosizeClick();

    // Selection and moving.
    void moving(int left, int top);
    void ImageMouseDown(platform::PictureControl* sender, QMouseEvent* event);
    void ImageMouseMove(QWidget* sender, QMouseEvent* event);
    void ImageMouseUp(platform::PictureControl* sender, QMouseEvent* event);
    void FormKeyDown(int key);
    void picknExit();
    void UpDownpicknMouseDown();
    void picLeftExit();
    void picTopExit();
    void UpDownPLMouseDown();
    void UpDownPTMouseDown();
    void offsetClick();
    void offsetXClick(platform::UpDown::Button button);
    void offsetYClick(platform::UpDown::Button button);

    // Placement rules.
    void overpicsClick();
    void outframeClick();

    // Transparency.
    void intransClick();
    void pickColour(platform::PictureControl* sender, QPoint at);

    // Layers.
    void rawupClick();
    void rawdownClick();
    void rawdeleteClick();

    // Composition, saving, clipboard and background.
    void fullkadrel();
    void saveClick();
    void fullcopymenuClick();
    void backcolorClick();
    void backpictureClick();
    void copymenuClick();
    void pastemanuClick();
    int jpegQuality() const;
    static QString openFilter();

    // The preview and help windows, reached through hooks the program sets.
    void fullshowClick();
    void helponClick();
    std::function<void(const QImage&)> showPreview;
    std::function<void()> showHelp;

    // Hand-off to the cut editor, through hooks the program sets: "編集" gives it a copy of the
    // current piece's picture and file, "全体編集" a copy of the composed canvas and the file
    // whose extension its save dialog preselects.
    void editonClick();
    void fulleditClick();
    std::function<void(const QImage& picture, const QString& file)> editPiece;
    std::function<void(const QImage& picture, const QString& workFileName)> editWhole;
    // The cut editor's "OK": `result` becomes the current piece's picture; with `key` the piece
    // is made transparent with that colour first.
    void takeEdited(const QImage& result, std::optional<base::Colour> key);
    void editing(const QImage& result);

    // The view zoom: how many device pixels show one canvas pixel. Drawing only; every gesture
    // still works in canvas pixels. `about` is the viewport point that stays over the same canvas
    // pixel (the viewport's centre when omitted).
    double viewZoom() const { return viewZoom_; }
    platform::ViewScale viewScale() const;
    void setViewZoom(double zoom, std::optional<QPoint> about = std::nullopt);

    // Undo and redo: one user action is one step.
    void undoClick();
    void redoClick();

    // "整列…" (tarrange.cpp): the dialog shows its settings on the table as one undo step from
    // the table it began with, then keeps them or restores that table.
    Tarrange* arrangeDialog = nullptr;
    void arrangeClick();
    void beginArrangement();
    Effects previewArrangement(const Arrangement& a);  // throws and changes nothing when refused
    void keepArrangement(const Effects& effects);
    void cancelArrangement();
    // The table the dialog's arrangement starts from (the table itself when none is shown).
    const PieceTable& arrangementBase() const { return arrange_ ? arrange_->base : table_; }

    // Takes the keyboard focus away from every control (pending edits are applied).
    void Clickout();

    int canvasWidth() const;
    int canvasHeight() const;

Q_SIGNALS:
    // The first show, with the screen size: the other windows take their places.
    void placeOtherWindows(QSize screen);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void keepColumnWhole();
    void wire();
    void applyCanvasEdit(QLineEdit* edit, bool horizontal);
    void exchange(bool up);
    bool hasEditFocus() const;

    // Runs one user action on the table: `edit` changes table_ or throws and leaves it as it was;
    // either way the window is redrawn from the table (a refused edit shows the table's values
    // again), and a change becomes one undo step. The action's notices are shown last.
    template <class F>
    void act(StepKind kind, F&& edit);
    void showEffects(const Effects& effects);
    // Redraws the pieces, the canvas, the left column and the undo items from the table.
    void refresh();
    void syncPieces();
    void syncCanvas();
    void showCurrent();
    void showEmpty();
    platform::PictureControl* makePieceControl();
    // The slot of the topmost piece over canvas pixel `pixel`, else the slot of `sender`, else -1.
    int slotAt(QPoint pixel, const QWidget* sender) const;

    platform::Desktop& desktop_;
    PieceTable table_;
    History history_;
    struct ArrangeSession {
        PieceTable base;  // the table before the shown arrangement
        History history;  // the history before it
        PieceTable shown;
        std::size_t undoSteps = 0, redoSteps = 0;
        ScaledPictures cache;
    };
    std::optional<ArrangeSession> arrange_;
    // The table still shows the dialog's last preview, with nothing done in the window since.
    bool showsArrangement() const;
    PieceTable dragBefore_;  // the table when the current drag began
    // Where a drag is anchored: the pointer (logical pixels in `main`) and the piece's place.
    struct DragBase {
        QPointF pointer;
        int left = 0, top = 0;
    } dragBase;
    double viewZoom_ = 1.0;
    // What the canvas bitmap was last filled with.
    QSize filledSize_;
    base::Colour filledColour_ = 0;
    qint64 filledPicture_ = 0;
    qint64 shownBackground_ = -1;  // what the sample beside the background buttons shows
    base::Colour shownColour_ = 0;
    bool shown_ = false;
    bool suppressExit_ = false;
    // The file the background picture was last read from, and that picture's cache key.
    struct BackgroundRead {
        QString file;
        qint64 picture = 0;
    } backgroundRead_;
};

template <class F>
void Tkadrel::act(StepKind kind, F&& edit) {
    const PieceTable before = table_;
    Effects effects;
    try {
        if constexpr (std::is_same_v<decltype(edit()), Effects>)
            effects = edit();
        else
            edit();
    } catch (...) {
        // What a multi-file add did before its failing file stays, as one step.
        history_.breakRun();
        history_.record(before, table_, kind);
        refresh();
        throw;
    }
    if (kind != StepKind::Nudge) history_.breakRun();
    history_.record(before, table_, kind);
    refresh();
    showEffects(effects);
}

}  // namespace collage
