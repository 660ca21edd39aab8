#pragma once

#include <QDialog>

#include "collage/grid.h"
#include "collage/piece_table.h"

class QButtonGroup;
class QComboBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace collage {

class Tkadrel;

// "整列": a modeless dialog beside the main window. Every change of a setting shows the
// arrangement on the canvas at once; "OK" keeps it as one undo step, "キャンセル", Esc or the
// frame's close button restore the table.
class Tarrange : public QDialog {
    Q_OBJECT
public:
    explicit Tarrange(Tkadrel* owner);

    QRadioButton* layoutGrid;
    QRadioButton* layoutJustify;
    QSpinBox* columns;
    QPushButton* oneRow;
    QPushButton* oneColumn;
    QSpinBox* gap;
    QSpinBox* margin;
    QRadioButton* rowTop;
    QRadioButton* rowMiddle;
    QRadioButton* rowBottom;
    QRadioButton* columnLeft;
    QRadioButton* columnCenter;
    QRadioButton* columnRight;
    QRadioButton* sizeAsIs;
    QRadioButton* sizeHeight;
    QRadioButton* sizeWidth;
    QSpinBox* target;
    QSpinBox* rowWidth;
    QSpinBox* rowHeight;
    QComboBox* outputSize;  // "自由", the presets, "指定"
    QSpinBox* outputWidth;
    QSpinBox* outputHeight;
    QRadioButton* cellFit;
    QRadioButton* cellFill;
    QPushButton* okey;
    QPushButton* cancel;

    // Opens for the main window's current pieces: columns and the target size start from them,
    // the other settings stay as last used; the canvas shows the arrangement at once.
    void start();
    // The settings as an arrangement.
    Arrangement arrangement() const;

    void accept() override;
    void reject() override;

private:
    void changed();
    void sizeModeChanged();
    // Shows the settings on the canvas; false (and the error shown) when they are refused.
    bool preview();
    // The smallest height or width among the pieces, for the target's default.
    int smallest(bool height) const;
    // A row height that gives rows of about as many pieces as the grid's default columns.
    int defaultRowHeight(int width) const;
    void outputChosen();
    void outputTyped();
    // Greys what the chosen layout and output size do not use.
    void enableControls();

    Tkadrel* owner_;
    QButtonGroup* rowGroup_;
    QButtonGroup* columnGroup_;
    QButtonGroup* sizeGroup_;
    QButtonGroup* layoutGroup_;
    QButtonGroup* fitGroup_;
    Effects shownEffects_;
    bool starting_ = false;
};

}  // namespace collage
