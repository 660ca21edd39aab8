#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include <QImage>
#include <QMainWindow>
#include <QPointF>
#include <QString>
#include <QThread>
#include <QTimer>

#include "base/colour.h"
#include "collage/background.h"
#include "collage/document.h"
#include "collage/history.h"
#include "collage/piece_table.h"
#include "collage/recovery.h"
#include "collage/rect.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
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
    platform::GuideLines* guides;  // the lines a snapping drag lines up with

    // Menu items.
    QAction* addmenu;
    QAction* rawdelete;
    QAction* fullshowmenu;
    QAction* Savemenu;
    QAction* openArrangementMenu;
    QAction* saveArrangementMenu;
    QAction* saveArrangementAsMenu;
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
    QAction* snapmenu;
    QProgressBar* progress;  // files being read
    // "表示": the view zoom (platform::ZoomMenu).
    platform::ZoomMenu* zoomMenu;

    // The arrangement as a document: every edit of the window goes through it.
    const Document& document() const { return doc_; }
    const PieceTable& table() const { return doc_.table(); }
    const History& history() const { return doc_.history(); }
    int pieceCount() const { return table().pieceCount(); }
    int pickIndex() const { return table().pickIndex(); }
    const Options& options() const { return doc_.options(); }
    // A whole state made outside the window, as one step.
    void setTable(PieceTable table);

    // The pieces' controls, one per slot of the table, drawn in slot order.
    const std::vector<platform::PictureControl*>& pieceImage() const { return pieceImage_; }
    // The last composite (or, between compositions, the current piece's thumbnail).
    const QImage& composite() const { return composite_; }
    int saveFilterIndex() const { return saveFilterIndex_; }       // in codecs::kJoinedSaveOrder
    const QString& openFileName() const { return openFileName_; }  // where the next open dialog starts
    const QString& workExt() const { return workExt_; }
    bool dragging() const { return doc_.dragging(); }

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
    // Reads `paths` off the window's thread, both cores at work, the progress bar showing how
    // far it got, then adds every file that could be read, in order, as one step; the files that
    // could not be read are named together at the end. Files asked for while a read is under way
    // follow it.
    void addFiles(const QStringList& paths);
    bool loadingFiles() const { return loader_ != nullptr; }
    // Waits for the files being read and adds them (for tests and the start-up files).
    void waitForLoading();
    void Adding(const QImage& picture, const QString& file = {});

    // Canvas size.
    void fitClick();
    void sizeXExit();
    void sizeYExit();
    void UpDownXClick();
    void UpDownYClick();
    void autosizeClick();

    // Selection and moving.
    void moving(int left, int top, double snapThreshold = 0);
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

    // The preview and help windows, reached through the signals below.
    void fullshowClick();
    void helponClick();

    // Hand-off to the cut editor, through the signals below: "編集" gives it a copy of the
    // current piece's picture and file, "全体編集" a copy of the composed canvas and the file
    // whose extension its save dialog preselects.
    void editonClick();
    void fulleditClick();
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

    // The arrangement as a document (tkadrel_document.cpp): "配置を開く…", "配置を保存" (asks for a
    // name the first time) and "名前を付けて配置を保存…"; false when the user cancelled.
    void openArrangementClick();
    void openArrangement(const QString& path);  // asks first when there are unsaved changes
    bool saveArrangementClick();
    bool saveArrangementAsClick();
    // Asks before unsaved changes would be lost: true when the work was saved or may go.
    bool maySafelyDiscard();
    // Writes the arrangement to a recovery document in `folder` a few seconds after each change,
    // in the background, removed when the window closes normally; offerRecovery() offers what a
    // program no longer running left there.
    void enableRecovery(const QString& folder);
    void offerRecovery(const QString& folder);
    // Writes the recovery document now and waits for it (tests).
    void waitForRecovery();

    // Undo and redo: one user action is one step.
    void undoClick();
    void redoClick();

    // "整列…" (tarrange.cpp): the dialog shows its settings on the table as one undo step from
    // the table it began with, then keeps them or restores that table (the document's session).
    Tarrange* arrangeDialog() const { return arrangeDialog_; }
    void arrangeClick();
    void beginArrangement();
    Effects previewArrangement(const Arrangement& a);  // throws and changes nothing when refused
    void keepArrangement(const Effects& effects);
    void cancelArrangement();
    // The table the dialog's arrangement starts from (the table itself when none is shown).
    const PieceTable& arrangementBase() const { return doc_.arrangementBase(); }

    // Takes the keyboard focus away from every control (pending edits are applied).
    void Clickout();

    int canvasWidth() const;
    int canvasHeight() const;

Q_SIGNALS:
    // The first show, with the screen size: the other windows take their places.
    void placeOtherWindows(QSize screen);
    void previewRequested(const QImage& picture);
    void helpRequested();
    void editPieceRequested(const QImage& picture, const QString& file);
    void editWholeRequested(const QImage& picture, const QString& workFileName);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The save dialog's name: the current piece's file without its extension.
    void nameSaveDialog();
    void buildControls();
    void buildMenus();
    void keepColumnWhole();
    void wire();
    void applyCanvasEdit(QLineEdit* edit, bool horizontal);
    void exchange(bool up);
    bool hasEditFocus() const;

    // Runs one user action through the document: `edit(PieceTable&, const Options&)` changes the
    // table or throws and leaves everything as it was; either way the window is redrawn from the
    // document (a refused edit shows the table's values again), and a change is one undo step.
    // The action's notices are shown last.
    template <class F>
    void act(StepKind kind, F&& edit);
    // Runs `f` (a call on the document) and redraws from the document whether or not it throws.
    template <class F>
    decltype(auto) redrawing(F&& f);
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

    void startLoading();
    void finishLoading();
    void updateTitle();
    void documentChanged();
    void writeArrangement(const QString& path);
    void writeRecovery();
    void endRecovery();

    platform::Desktop& desktop_;
    Document doc_;
    std::vector<platform::PictureControl*> pieceImage_;
    QImage composite_;
    QString workFileName_;
    QString workExt_;
    int saveFilterIndex_ = 1;
    QString openFileName_;
    QString saveDialogName_;
    Tarrange* arrangeDialog_ = nullptr;
    // Where a drag is anchored: the pointer (logical pixels in `main`) and the piece's place.
    struct DragBase {
        QPointF pointer;
        int left = 0, top = 0;
    } dragBase_;
    // Files being read off the window's thread, and those asked for meanwhile.
    struct Loader;
    std::unique_ptr<Loader> loader_;
    QStringList queuedFiles_;
    struct Recovery {
        explicit Recovery(const QString& folder) : file(folder) {}
        RecoveryFile file;
        QTimer timer;
        std::unique_ptr<QThread> writer;
        bool again = false;  // a change came while the writer was busy
        bool keep = false;   // the session ended without a question: the next start offers it
    };
    std::unique_ptr<Recovery> recovery_;
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
decltype(auto) Tkadrel::redrawing(F&& f) {
    // Redraws as the call returns or throws (a refused edit shows the document's values again).
    struct Redraw {
        Tkadrel* window;
        ~Redraw() { window->refresh(); }
    } redraw{this};
    return f();
}

template <class F>
void Tkadrel::act(StepKind kind, F&& edit) {
    const Effects effects = redrawing([&] { return doc_.edit(std::forward<F>(edit), kind); });
    showEffects(effects);
}

}  // namespace collage
