#pragma once

#include <functional>

#include <QImage>
#include <QWidget>

#include "base/colour.h"
#include "platform/desktop.h"

class QCheckBox;
class QCloseEvent;
class QFrame;
class QHideEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QProgressBar;
class QPushButton;
class QShowEvent;

namespace platform {
class Swatch;
class UpDown;
}  // namespace platform

namespace zoom {

// The nine settings a preview is made from; "決定" previews first when they changed since.
struct PreviewSettings {
    int width = 0;
    int height = 0;
    int fill = 0;
    int degrees = 0;
    int hundredths = 0;
    bool transparent = false;
    bool edge = false;
    base::Colour gap = 0;
    base::Colour key = 0;
    bool operator==(const PreviewSettings&) const = default;
};

// What the colour dialog remembers between uses.
struct ColourDialog {
    base::Colour colour = 0;
};

// The resize dialog "リサイズ": scales or rotates the cut editor's picture, previewing in the
// editor, and on "決定" hands the result and the transparency flag back to it.
//
// Controls are public members, so that tests drive them as a user would, each with its member
// name as objectName; the dialog's state follows. It knows the cut editor and the main window only
// through the hooks below, which the program wires; every entry from Qt runs guarded.
class Tresize : public QWidget {
    Q_OBJECT
public:
    // `desktop` outlives the dialog: its notices and its colour dialog are the dialog's.
    explicit Tresize(platform::Desktop& desktop, QWidget* parent = nullptr);
    ~Tresize() override;

    // --- Controls ------------------------------------------------------------------------------
    QLabel* originx;
    QLabel* originy;
    QLabel* Image1;
    QLabel* Image2;
    QLineEdit* newsizex;
    platform::UpDown* UpDownX;
    QLineEdit* newsizey;
    platform::UpDown* UpDownY;
    QCheckBox* ratiokeep;
    QCheckBox* intrans;
    platform::Swatch* transcolor;
    QPushButton* transpick;
    QLabel* Label2;
    QLineEdit* fill;
    platform::UpDown* UpDownfill;
    QLabel* Label1;
    QLineEdit* degree;
    platform::UpDown* UpDowndeg;
    QLabel* Shape1;
    QLineEdit* degreesub;
    platform::UpDown* degreesubUD;
    QCheckBox* edge;
    platform::Swatch* fillcolor;
    QPushButton* colorset;
    ColourDialog ColorDg;
    QPushButton* goresize;
    QProgressBar* progress;
    QPushButton* cancel;
    QPushButton* okey;

    // --- Dialog state --------------------------------------------------------------------------
    QImage workBitmap;  // the latest preview
    double sizeRatio = 1.0;
    double rotationAngle = 0;  // radians, set by degreeChange
    bool accepted = false;
    PreviewSettings lastPreview;

    // --- Hooks the program wires to the other windows; unset they do nothing ------------------
    // The cut editor's pictureCopy, the source of every preview (its size is picWidth × picHeight).
    std::function<QImage()> editorPicture;
    // Puts a copy of a picture into the editor's mainimage.
    std::function<void(const QImage&)> showInEditor;
    // Hides (false) or shows (true) the editor's selection frame `shot`.
    std::function<void(bool)> showSelectionFrame;
    // The editor's loaded(): the displayed picture becomes its picture.
    std::function<void()> editorLoaded;
    // Sets the editor's resizeTransparency.
    std::function<void(bool)> setResizeTransparency;
    // Whether the main window's "透明色" is checked (the current piece is drawn transparent).
    std::function<bool()> pieceTransparent;

    // --- For the cut editor --------------------------------------------------------------------
    // Whether a press on the editor's picture picks the transparent colour ("色選択" is down).
    bool pickingColour() const;
    // The colour under such a press: it becomes the transparent colour (and, while transparency
    // is on, the gap colour), "色選択" is released and the dialog comes to the front.
    void colourPicked(base::Colour colour);

    // --- Handlers ------------------------------------------------------------------------------
    void FormCreate();
    // OnShow. Called from elsewhere (the editor's "ズーム"/"サイズ変更") it shows the dialog, which
    // runs it, or brings an open dialog to the front.
    void called();
    void FormHide();
    void FormClick();
    void goresizeClick();
    void okeyClick();
    void cancelClick();
    void newsizexenter();
    void newsizexExit();
    void UpDownXClick();
    void newsizeyenter();
    void newsizeyExit();
    void UpDownYClick();
    void ratiokeepClick();
    void intransClick();
    void colorsetClick();
    void degreeChange();
    // The angle edits as they are typed in: an edit that has the focus and holds nothing or a
    // lone "-" is not checked yet.
    void degreeTyped();
    void degreeExit();
    void degreeKeyDown();
    void rotate();

    // The nine settings as the controls hold them now; throws for an edit that is not a number.
    PreviewSettings currentSettings() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    QImage source() const;
    bool angleSet() const;
    // The preview; false when it refused the size (below 1), so that "決定" stops.
    bool preview();
    void setHeightFromWidth();
    void setWidthFromHeight();
    void reportRow(int percent);

    platform::Desktop& desktop_;
    bool inShow_ = false;
    bool dying_ = false;
};

}  // namespace zoom
