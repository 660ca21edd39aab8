#include "collage/window/tarrange.h"

#include <algorithm>
#include <climits>

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
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
#include "collage/window/tkadrel.h"
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
    auto* kinds = new QHBoxLayout;
    layoutGroup_ = new QButtonGroup(this);
    layoutGrid = radio(this, QStringLiteral("layoutGrid"), QStringLiteral("グリッド"), layoutGroup_, 0);
    layoutJustify = radio(this, QStringLiteral("layoutJustify"), QStringLiteral("行揃え"), layoutGroup_, 1);
    layoutGrid->setChecked(true);
    kinds->addWidget(new QLabel(QStringLiteral("配置"), this));
    kinds->addWidget(layoutGrid);
    kinds->addWidget(layoutJustify);
    kinds->addStretch();
    layout->addLayout(kinds);
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

    // Justified rows: the width every full row fills and the row height aimed at.
    grid->addWidget(new QLabel(texts::rowWidthCaption(), this), 3, 0);
    rowWidth = spin(this, QStringLiteral("rowWidth"), 1, kMaxTarget, 1);
    rowWidth->setSuffix(QStringLiteral(" px"));
    grid->addWidget(rowWidth, 3, 1);
    grid->addWidget(new QLabel(texts::rowHeightCaption(), this), 4, 0);
    rowHeight = spin(this, QStringLiteral("rowHeight"), 1, kMaxTarget, 1);
    rowHeight->setSuffix(QStringLiteral(" px"));
    grid->addWidget(rowHeight, 4, 1);

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

    auto* output = new QGroupBox(QStringLiteral("出力サイズ"), this);
    auto* outputGrid = new QGridLayout(output);
    outputSize = new QComboBox(output);
    outputSize->setObjectName(QStringLiteral("outputSize"));
    outputSize->addItem(QStringLiteral("自由"), QSize());
    for (const auto& [w, h, note] :
         {std::tuple{1080, 1080, ""}, std::tuple{1080, 1350, ""}, std::tuple{1920, 1080, ""},
          std::tuple{3840, 2160, ""}, std::tuple{2480, 3508, " (A4 縦, 300 dpi)"},
          std::tuple{3508, 2480, " (A4 横, 300 dpi)"}})
        outputSize->addItem(QStringLiteral("%1 × %2%3").arg(w).arg(h).arg(QString::fromUtf8(note)),
                            QSize(w, h));
    outputSize->addItem(QStringLiteral("指定"), QSize());
    outputWidth = spin(output, QStringLiteral("outputWidth"), 1, kMaxTarget, 1080);
    outputHeight = spin(output, QStringLiteral("outputHeight"), 1, kMaxTarget, 1080);
    auto* typed = new QHBoxLayout;
    typed->addWidget(outputWidth);
    typed->addWidget(new QLabel(QStringLiteral("×"), output));
    typed->addWidget(outputHeight);
    typed->addWidget(new QLabel(QStringLiteral("px"), output));
    fitGroup_ = new QButtonGroup(this);
    cellFit = radio(output, QStringLiteral("cellFit"), QStringLiteral("全体を収める"), fitGroup_, 0);
    cellFill = radio(output, QStringLiteral("cellFill"), QStringLiteral("セルを埋める"), fitGroup_, 1);
    cellFit->setChecked(true);
    auto* fits = new QHBoxLayout;
    fits->addWidget(cellFit);
    fits->addWidget(cellFill);
    outputGrid->addWidget(outputSize, 0, 0);
    outputGrid->addLayout(typed, 1, 0);
    outputGrid->addLayout(fits, 2, 0);
    layout->addWidget(output);

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
    for (QSpinBox* s : {columns, gap, margin, target, rowWidth, rowHeight})
        connect(s, &QSpinBox::valueChanged, this, onChange);
    for (QSpinBox* s : {outputWidth, outputHeight})
        connect(s, &QSpinBox::valueChanged, this, [this] { outputTyped(); });
    connect(outputSize, &QComboBox::activated, this, [this] { outputChosen(); });
    connect(rowGroup_, &QButtonGroup::idClicked, this, onChange);
    connect(columnGroup_, &QButtonGroup::idClicked, this, onChange);
    connect(fitGroup_, &QButtonGroup::idClicked, this, onChange);
    connect(layoutGroup_, &QButtonGroup::idClicked, this, [this] {
        enableControls();
        changed();
    });
    enableControls();
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

int Tarrange::defaultRowHeight(int width) const {
    const std::vector<Piece>& slots = owner_->arrangementBase().slots();
    if (slots.empty()) return 1;
    double aspects = 0;
    for (const Piece& p : slots) aspects += static_cast<double>(p.picture.width()) / p.picture.height();
    const double perRow = defaultColumns(static_cast<int>(slots.size()));
    const double h = width / (perRow * aspects / static_cast<double>(slots.size()));
    return static_cast<int>(std::clamp(std::lround(h), 1L, static_cast<long>(kMaxTarget)));
}

void Tarrange::enableControls() {
    const bool rows = layoutJustify->isChecked();
    const bool fixed = !rows && outputSize->currentIndex() > 0;
    for (QWidget* w : std::initializer_list<QWidget*>{columns, oneRow, oneColumn, rowTop, rowMiddle,
                                                      rowBottom, outputSize})
        w->setEnabled(!rows);
    for (QWidget* w : std::initializer_list<QWidget*>{rowWidth, rowHeight}) w->setEnabled(rows);
    for (QWidget* w : std::initializer_list<QWidget*>{outputWidth, outputHeight, cellFit, cellFill})
        w->setEnabled(fixed);
    for (QWidget* w : std::initializer_list<QWidget*>{sizeAsIs, sizeHeight, sizeWidth})
        w->setEnabled(!rows && !fixed);
    target->setEnabled(!rows && !fixed && !sizeAsIs->isChecked());
}

void Tarrange::outputChosen() {
    const QSize preset = outputSize->currentData().toSize();
    if (preset.isValid()) {
        const QSignalBlocker quietWidth(outputWidth), quietHeight(outputHeight);
        outputWidth->setValue(preset.width());
        outputHeight->setValue(preset.height());
    }
    enableControls();
    changed();
}

void Tarrange::outputTyped() {
    // A typed size that is one of the presets shows as that preset.
    int index = outputSize->count() - 1;
    for (int i = 1; i + 1 < outputSize->count(); ++i)
        if (outputSize->itemData(i).toSize() == QSize(outputWidth->value(), outputHeight->value())) index = i;
    outputSize->setCurrentIndex(index);
    changed();
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
    a.kind = layoutJustify->isChecked() ? LayoutKind::Justified : LayoutKind::Grid;
    a.rowWidth = rowWidth->value();
    a.rowHeight = rowHeight->value();
    if (outputSize->currentIndex() > 0) a.output = QSize(outputWidth->value(), outputHeight->value());
    a.fit = cellFill->isChecked() ? CellFit::Fill : CellFit::Fit;
    return a;
}

void Tarrange::start() {
    starting_ = true;
    const int count = owner_->pieceCount();
    columns->setValue(defaultColumns(std::max(count, 1)));
    // Shown also while the size stays as it is: the height "高さを揃える" would start from.
    target->setValue(smallest(!sizeWidth->isChecked()));
    const int across = std::min(owner_->arrangementBase().canvas().width(), kMaxTarget);
    rowWidth->setValue(across);
    rowHeight->setValue(defaultRowHeight(across));
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
    enableControls();
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
    for (QSpinBox* s : {columns, gap, margin, target, rowWidth, rowHeight, outputWidth, outputHeight})
        s->interpretText();
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
    if (pieceCount() == 0) return;
    if (arrangeDialog_ == nullptr) arrangeDialog_ = new Tarrange(this);
    if (arrangeDialog_->isVisible() && doc_.arranging()) {
        arrangeDialog_->raise();
        arrangeDialog_->activateWindow();
        return;
    }
    arrangeDialog_->start();
}

void Tkadrel::beginArrangement() {
    doc_.beginArrangement();
    refresh();
}

Effects Tkadrel::previewArrangement(const Arrangement& a) {
    // An edit in the window since the last preview ended the session: the arrangement starts
    // from the table as it is now.
    return redrawing([&] { return doc_.previewArrangement(a); });
}

void Tkadrel::keepArrangement(const Effects& effects) {
    doc_.keepArrangement();
    showEffects(effects);
    Clickout();
}

void Tkadrel::cancelArrangement() {
    doc_.cancelArrangement();
    refresh();
}

}  // namespace collage
