#pragma once

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include <QImage>
#include <QMainWindow>
#include <QString>

#include "base/colour.h"
#include "collage/background.h"
#include "collage/rect.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QMouseEvent;

#include "platform/widgets.h"

namespace collage {

// The main window "カドレル": the piece table, the canvas and the left column.
class Tkadrel : public QMainWindow {
    Q_OBJECT
public:
    explicit Tkadrel(QWidget* parent = nullptr);
    ~Tkadrel() override;

    // The single instance, once constructed.
    static Tkadrel* instance();

    // Controls, named as the window definition names them.
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

    // The piece table. Slot order is layer order: slot 0 is drawn first.
    std::array<Rect, 256> pieceRect{};
    Rect pickRect;
    int pickIndex = 0;
    int pieceCount = 0;
    std::array<QString, 256> pieceFile;
    std::array<platform::PictureControl*, 256> pieceImage{};
    std::array<base::Colour, 256> pieceTransColor{};
    std::vector<QImage> previews;  // 100 x 100 thumbnails, one per slot
    QString workFileName;
    QString workExt;
    QImage composite;
    Background background;
    bool dragging = false;
    int saveFilterIndex = 1;  // the save dialog's filter: 1 JPEG, 2 BMP, 3 GIF, 4 PNG
    QString openFileName;     // where the next open dialog starts
    QString saveDialogName;   // where the next save dialog starts

    // Lifecycle.
    void FormCreate();
    void FormShow();
    void FormResize();

    // The current piece in the left column.
    void pickchange();
    void fillBackground();
    void clearClick();

    // Adding pieces.
    void addpicClick();
    void dropFiles(const QStringList& paths);
    void loading(const QString& fileName);
    void Adding(const QImage& picture);

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

    // Hand-off to the cut editor.
    void editonClick();
    void fulleditClick();
    // The cut editor's "OK": `result` becomes the current piece's picture; with `key` the piece
    // is made transparent with that colour first.
    void takeEdited(const QImage& result, std::optional<base::Colour> key);
    void editing(const QImage& result);

    // Takes the keyboard focus away from every control (pending edits are applied).
    void Clickout();

    int canvasWidth() const;
    int canvasHeight() const;
    std::span<const Rect> pieces() const { return {pieceRect.data(), static_cast<size_t>(pieceCount)}; }

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
    void wire();
    void setCanvasSize(int width, int height);
    void applyCanvasEdit(QLineEdit* edit, bool horizontal);
    void destroyPieces();
    void exchange(int s, int t);
    bool hasEditFocus() const;
    struct DragBase {
        int x = 0, y = 0, left = 0, top = 0;
    } dragBase;
    bool shown_ = false;
    bool suppressExit_ = false;
};

}  // namespace collage
