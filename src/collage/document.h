#pragma once

#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>

#include "collage/grid.h"
#include "collage/history.h"
#include "collage/piece_table.h"
#include "collage/snap.h"

namespace collage {

// One file read for an add: its picture and thumbnail, or why it could not be read.
struct LoadedFile {
    QString path;
    QImage picture;  // BGR888; null when the file could not be read
    QImage thumbnail;
    QString error;  // the reader's message when it could not
};

// What an add of several files did: the notices of the added pieces in order, and the files that
// were not added with the reason of each ("file: reason").
struct AddReport {
    Effects effects;
    int added = 0;
    QStringList failures;
};

// The arrangement a user edits, as a document: the piece table, its undo history with the point
// where it was last saved, the placement options, the file it belongs to, and every edit that spans
// several events (a drag, the arrangement dialog's preview). Windows edit only through it.
//
// Every recorded state keeps the table's rules: an edit that arrives while a drag or a preview is
// open first ends it (the drag committed as its own step, the preview kept), so steps undo in the
// order they were made. An edit that is refused throws base::Error and leaves the table, the
// history and the options as they were.
class Document {
public:
    explicit Document(PieceTable table = PieceTable(), History history = History());

    const PieceTable& table() const { return table_; }
    const History& history() const { return history_; }
    const Options& options() const { return options_; }
    // The placement options are settings, not steps.
    void setNoOverlap(bool on) { options_.noOverlap = on; }
    void setKeepInside(bool on) { options_.keepInside = on; }
    void setSnap(bool on) { options_.snap = on; }
    void setScreenWidth(int width) { options_.screenWidth = width; }

    // The file the arrangement was opened from or last saved to; empty for a new one.
    const QString& fileName() const { return fileName_; }
    // The arrangement differs from the one last saved or opened (a new one: from the empty start).
    bool modified() const;
    // Saved to `fileName` just now: this state is the saved point.
    void markSaved(const QString& fileName);
    // A state of its own from outside (an opened file, a fresh start): the history starts anew
    // with it as the saved point.
    void replace(PieceTable table, const QString& fileName = {});

    // One user action as one step: `edit(PieceTable&, const Options&)` changes the table it is
    // given or throws; its Effects (if it returns them) switch options off and are returned for
    // the window to show.
    template <class F>
    Effects edit(F&& edit, StepKind kind = StepKind::Other);
    // A change of the current piece alone: no step.
    void pick(int slot);

    // A mouse drag of piece `slot`: it becomes current, moves with dragTo under the move rule and
    // without refit, and its end refits once (auto size) and records the whole drag as one step.
    void beginDrag(int slot);
    bool dragging() const { return drag_.has_value(); }
    // One step of the drag toward `requested`. With "スナップ" on and a threshold above 0 (canvas
    // pixels), the piece's edges and centre lines first land on the lines of the other pieces and
    // of the canvas within the threshold; the placement rules apply after that. Returns where the
    // piece stands and the lines it is on.
    struct DragStep {
        QPoint position;
        std::vector<Guide> guides;
    };
    DragStep dragTo(QPoint requested, double snapThreshold = 0);
    // Throws (with the drag taken back) when the refit is refused.
    void endDrag();
    void cancelDrag();

    // The arrangement dialog: each preview replaces the table with the table the session began
    // with, arranged, recorded as one step from it; keep ends the session with the last preview
    // as that step, cancel puts the table and the history back.
    void beginArrangement();
    bool arranging() const { return arrange_.has_value(); }
    // The table the session arranges (the table itself when none is open).
    const PieceTable& arrangementBase() const { return arrange_ ? arrange_->base : table_; }
    Effects previewArrangement(const Arrangement& a);
    void keepArrangement();
    void cancelArrangement();

    // Adds the files that could be read as pieces, in the given order, as one step; the files
    // that could not be read or added are named in the report, and the others are added all
    // the same.
    AddReport addFiles(const std::vector<LoadedFile>& files);

    bool undo();
    bool redo();

    // Ends an open drag (as a step) or preview (kept), as any other edit does first.
    void finishTransactions() { settleTransactions(); }

private:
    // Ends an open drag or preview before another edit.
    void settleTransactions();
    void applyEffects(const Effects& effects);

    PieceTable table_;
    History history_;
    Options options_;
    QString fileName_;
    PieceTable saved_;  // the saved point
    struct Drag {
        PieceTable before;
    };
    std::optional<Drag> drag_;
    struct ArrangeSession {
        PieceTable base;  // the table before the shown arrangement
        History history;  // the history before it
        ScaledPictures cache;
        Effects effects;  // of the preview shown
    };
    std::optional<ArrangeSession> arrange_;
};

template <class F>
Effects Document::edit(F&& edit, StepKind kind) {
    settleTransactions();
    PieceTable next = table_;
    Effects effects;
    if constexpr (std::is_same_v<decltype(edit(next, options_)), Effects>)
        effects = edit(next, options_);
    else
        edit(next, options_);
    if (kind != StepKind::Nudge) history_.breakRun();
    history_.record(table_, next, kind);
    table_ = std::move(next);
    applyEffects(effects);
    return effects;
}

}  // namespace collage
