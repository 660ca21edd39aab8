#include "collage/tarrange.h"

#include <algorithm>
#include <climits>

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/error.h"
#include "collage/texts.h"
#include "collage/tkadrel.h"
#include "platform/guard.h"

namespace collage {

namespace {

QSpinBox* spin(QWidget* parent, const QString& name, int low, int high, int value) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(low, high);
    s->setValue(value);
    // Typed digits apply on Enter or when the box is left, not one preview per digit.
    s->setKeyboardTracking(false);
    return s;
}

QRadioButton* radio(QWidget* parent, const QString& name, const QString& caption, QButtonGroup* group,
                    int id) {
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(name);
    group->addButton(r, id);
    return r;
}

QPushButton* push(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

Tarrange::Tarrange(Tkadrel* owner) : QDialog(owner), owner_(owner) {
    setObjectName(QStringLiteral("arrange"));
    setWindowTitle(QStringLiteral("整列"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);

    grid->addWidget(new QLabel(texts::columnsCaption(), this), 0, 0);
    columns = spin(this, QStringLiteral("columns"), 1, kMaxColumns, 1);
    grid->addWidget(columns, 0, 1);
    oneRow = push(this, QStringLiteral("oneRow"), QStringLiteral("横一列"));
    oneColumn = push(this, QStringLiteral("oneColumn"), QStringLiteral("縦一列"));
    auto* quick = new QHBoxLayout;
    quick->addWidget(oneRow);
    quick->addWidget(oneColumn);
    grid->addLayout(quick, 0, 2);

    grid->addWidget(new QLabel(texts::gapCaption(), this), 1, 0);
    gap = spin(this, QStringLiteral("gap"), 0, kMaxSpacing, 0);
    gap->setSuffix(QStringLiteral(" px"));
    grid->addWidget(gap, 1, 1);
    grid->addWidget(new QLabel(texts::marginCaption(), this), 2, 0);
    margin = spin(this, QStringLiteral("margin"), 0, kMaxSpacing, 0);
    margin->setSuffix(QStringLiteral(" px"));
    grid->addWidget(margin, 2, 1);

    auto* align = new QGroupBox(QStringLiteral("揃え"), this);
    auto* alignGrid = new QGridLayout(align);
    rowGroup_ = new QButtonGroup(this);
    columnGroup_ = new QButtonGroup(this);
    alignGrid->addWidget(new QLabel(QStringLiteral("行の中"), align), 0, 0);
    rowTop = radio(align, QStringLiteral("rowTop"), QStringLiteral("上"), rowGroup_, 0);
    rowMiddle = radio(align, QStringLiteral("rowMiddle"), QStringLiteral("中央"), rowGroup_, 1);
    rowBottom = radio(align, QStringLiteral("rowBottom"), QStringLiteral("下"), rowGroup_, 2);
    alignGrid->addWidget(rowTop, 0, 1);
    alignGrid->addWidget(rowMiddle, 0, 2);
    alignGrid->addWidget(rowBottom, 0, 3);
    alignGrid->addWidget(new QLabel(QStringLiteral("列の中"), align), 1, 0);
    columnLeft = radio(align, QStringLiteral("columnLeft"), QStringLiteral("左"), columnGroup_, 0);
    columnCenter = radio(align, QStringLiteral("columnCenter"), QStringLiteral("中央"), columnGroup_, 1);
    columnRight = radio(align, QStringLiteral("columnRight"), QStringLiteral("右"), columnGroup_, 2);
    alignGrid->addWidget(columnLeft, 1, 1);
    alignGrid->addWidget(columnCenter, 1, 2);
    alignGrid->addWidget(columnRight, 1, 3);
    rowTop->setChecked(true);
    columnLeft->setChecked(true);
    layout->addWidget(align);

    auto* size = new QGroupBox(QStringLiteral("サイズ"), this);
    auto* sizeGrid = new QGridLayout(size);
    sizeGroup_ = new QButtonGroup(this);
    sizeAsIs = radio(size, QStringLiteral("sizeAsIs"), QStringLiteral("そのまま"), sizeGroup_, 0);
    sizeHeight = radio(size, QStringLiteral("sizeHeight"), QStringLiteral("高さを揃える"), sizeGroup_, 1);
    sizeWidth = radio(size, QStringLiteral("sizeWidth"), QStringLiteral("幅を揃える"), sizeGroup_, 2);
    target = spin(size, QStringLiteral("target"), 1, kMaxTarget, 1);
    target->setSuffix(QStringLiteral(" px"));
    sizeGrid->addWidget(sizeAsIs, 0, 0);
    sizeGrid->addWidget(sizeHeight, 1, 0);
    sizeGrid->addWidget(sizeWidth, 2, 0);
    sizeGrid->addWidget(target, 1, 1, 2, 1);
    sizeAsIs->setChecked(true);
    target->setEnabled(false);
    layout->addWidget(size);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    okey = push(this, QStringLiteral("okey"), QStringLiteral("OK"));
    cancel = push(this, QStringLiteral("cancel"), QStringLiteral("キャンセル"));
    okey->setDefault(true);
    buttons->addWidget(okey);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto onChange = [this] { changed(); };
    for (QSpinBox* s : {columns, gap, margin, target}) connect(s, &QSpinBox::valueChanged, this, onChange);
    connect(rowGroup_, &QButtonGroup::idClicked, this, onChange);
    connect(columnGroup_, &QButtonGroup::idClicked, this, onChange);
    connect(sizeGroup_, &QButtonGroup::idClicked, this, [this] { sizeModeChanged(); });
    connect(oneRow, &QPushButton::clicked, this,
            [this] { columns->setValue(std::max(owner_->pieceCount(), 1)); });
    connect(oneColumn, &QPushButton::clicked, this, [this] { columns->setValue(1); });
    connect(okey, &QPushButton::clicked, this, &Tarrange::accept);
    connect(cancel, &QPushButton::clicked, this, &Tarrange::reject);
}

int Tarrange::smallest(bool height) const {
    int s = INT_MAX;
    for (const Piece& p : owner_->arrangementBase().slots())
        s = std::min(s, height ? p.picture.height() : p.picture.width());
    return s == INT_MAX ? 1 : s;
}

Arrangement Tarrange::arrangement() const {
    Arrangement a;
    a.columns = columns->value();
    a.gap = gap->value();
    a.margin = margin->value();
    a.rowAlign = static_cast<RowAlign>(std::max(rowGroup_->checkedId(), 0));
    a.columnAlign = static_cast<ColumnAlign>(std::max(columnGroup_->checkedId(), 0));
    a.size = static_cast<SizeMode>(std::max(sizeGroup_->checkedId(), 0));
    a.target = target->value();
    return a;
}

void Tarrange::start() {
    starting_ = true;
    const int count = owner_->pieceCount();
    columns->setValue(defaultColumns(std::max(count, 1)));
    // Shown also while the size stays as it is: the height "高さを揃える" would start from.
    target->setValue(smallest(!sizeWidth->isChecked()));
    starting_ = false;
    owner_->beginArrangement();
    if (!isVisible()) {
        // Beside the main window, inside the screen.
        adjustSize();
        const QRect frame = owner_->frameGeometry();
        QPoint at(frame.right() + 8, frame.top());
        if (const QScreen* screen = owner_->screen()) {
            const QRect avail = screen->availableGeometry();
            at.setX(std::clamp(at.x(), avail.left(), std::max(avail.left(), avail.right() - width())));
            at.setY(std::clamp(at.y(), avail.top(), std::max(avail.top(), avail.bottom() - height())));
        }
        move(at);
    }
    show();
    raise();
    activateWindow();
    columns->setFocus();
    preview();
}

void Tarrange::sizeModeChanged() {
    const bool scaled = !sizeAsIs->isChecked();
    target->setEnabled(scaled);
    if (scaled) {
        // Nothing is enlarged until the user asks for it.
        const QSignalBlocker quiet(target);
        target->setValue(smallest(sizeHeight->isChecked()));
    }
    changed();
}

void Tarrange::changed() {
    if (starting_ || !isVisible()) return;
    preview();
}

bool Tarrange::preview() {
    bool ok = false;
    platform::runGuarded(owner_->desktop(), this, [&] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            shownEffects_ = owner_->previewArrangement(arrangement());
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
        ok = true;
    });
    return ok;
}

void Tarrange::accept() {
    // The settings as they stand now, also a value typed but not yet applied.
    for (QSpinBox* s : {columns, gap, margin, target}) s->interpretText();
    if (!preview()) return;
    owner_->keepArrangement(shownEffects_);
    QDialog::accept();
}

void Tarrange::reject() {
    owner_->cancelArrangement();
    QDialog::reject();
}

// The main window's side: the dialog's previews are the table itself, recorded as one step
// from the table the dialog began with; each new preview replaces that step.

void Tkadrel::arrangeClick() {
    if (table_.pieceCount() == 0) return;
    if (arrangeDialog == nullptr) arrangeDialog = new Tarrange(this);
    if (arrangeDialog->isVisible() && arrange_) {
        arrangeDialog->raise();
        arrangeDialog->activateWindow();
        return;
    }
    arrangeDialog->start();
}

void Tkadrel::beginArrangement() {
    history_.breakRun();
    arrange_.emplace();
    arrange_->base = table_;
    arrange_->history = history_;
    arrange_->shown = table_;
    arrange_->undoSteps = history_.undoSteps();
    arrange_->redoSteps = history_.redoSteps();
}

bool Tkadrel::showsArrangement() const {
    return arrange_ && table_.sameContent(arrange_->shown) &&
           table_.pickIndex() == arrange_->shown.pickIndex() && history_.undoSteps() == arrange_->undoSteps &&
           history_.redoSteps() == arrange_->redoSteps;
}

Effects Tkadrel::previewArrangement(const Arrangement& a) {
    if (!arrange_) beginArrangement();
    // An edit in the window since the last preview stays: the arrangement starts from it.
    if (!showsArrangement()) beginArrangement();
    ArrangeSession& s = *arrange_;
    PieceTable next = s.base;
    const Effects effects = next.arrange(a, options(), &s.cache);
    table_ = std::move(next);
    history_ = s.history;
    history_.record(s.base, table_);
    s.shown = table_;
    s.undoSteps = history_.undoSteps();
    s.redoSteps = history_.redoSteps();
    refresh();
    return effects;
}

void Tkadrel::keepArrangement(const Effects& effects) {
    arrange_.reset();
    showEffects(effects);
    Clickout();
}

void Tkadrel::cancelArrangement() {
    if (showsArrangement()) {
        table_ = arrange_->base;
        history_ = arrange_->history;
        refresh();
    }
    arrange_.reset();
}

}  // namespace collage
