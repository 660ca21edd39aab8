#include "collage/document.h"

#include <new>

#include "base/error.h"
#include "base/messages.h"
#include "collage/texts.h"

namespace collage {

Document::Document(PieceTable table, History history)
    : table_(std::move(table)), history_(std::move(history)), saved_(table_) {}

bool Document::modified() const {
    return !table_.sameContent(saved_);
}

void Document::markSaved(const QString& fileName) {
    settleTransactions();
    fileName_ = fileName;
    saved_ = table_;
}

void Document::replace(PieceTable table, const QString& fileName) {
    drag_.reset();
    arrange_.reset();
    table_ = std::move(table);
    history_.clear();
    saved_ = table_;
    fileName_ = fileName;
}

void Document::applyEffects(const Effects& effects) {
    if (effects.noOverlapOff) options_.noOverlap = false;
    if (effects.keepInsideOff) options_.keepInside = false;
}

void Document::settleTransactions() {
    if (drag_) endDrag();
    if (arrange_) keepArrangement();
}

void Document::pick(int slot) {
    table_.pick(slot);
}

void Document::beginDrag(int slot) {
    settleTransactions();
    table_.pick(slot);
    history_.breakRun();
    drag_ = Drag{table_};
}

Document::DragStep Document::dragTo(QPoint requested, double snapThreshold) {
    if (!drag_ || table_.pieceCount() == 0) return {};
    DragStep step;
    if (options_.snap && snapThreshold > 0) {
        const int current = table_.pickIndex();
        const Rect& r = table_.pieceRect(current);
        std::vector<Rect> others;
        for (int i = 0; i < table_.pieceCount(); ++i)
            if (i != current) others.push_back(table_.pieceRect(i));
        Snap snap = snapPiece(Rect{requested.x(), requested.y(), r.width, r.height}, others, table_.canvas(),
                              snapThreshold);
        requested = snap.position;
        step.guides = std::move(snap.guides);
    }
    step.position = table_.moveCurrent(requested, options_);
    // A line the placement rules moved the piece off no longer holds.
    std::erase_if(step.guides, [&](const Guide& g) {
        return g.vertical ? step.position.x() != requested.x() : step.position.y() != requested.y();
    });
    return step;
}

void Document::endDrag() {
    if (!drag_) return;
    PieceTable before = std::move(drag_->before);
    drag_.reset();
    PieceTable next = table_;
    try {
        if (next.autoSize()) next.fit();
    } catch (...) {
        // A refit the budget refuses takes the whole drag back.
        table_ = std::move(before);
        throw;
    }
    history_.breakRun();
    history_.record(before, next);
    table_ = std::move(next);
}

void Document::cancelDrag() {
    if (!drag_) return;
    table_ = std::move(drag_->before);
    drag_.reset();
}

void Document::beginArrangement() {
    if (drag_) endDrag();
    history_.breakRun();
    arrange_.emplace();
    arrange_->base = table_;
    arrange_->history = history_;
}

Effects Document::previewArrangement(const Arrangement& a) {
    if (drag_) endDrag();
    if (!arrange_) beginArrangement();
    ArrangeSession& s = *arrange_;
    PieceTable next = s.base;
    const Effects effects = next.arrange(a, options_, &s.cache);
    History history = s.history;
    history.record(s.base, next);
    table_ = std::move(next);
    history_ = std::move(history);
    s.effects = effects;
    return effects;
}

void Document::keepArrangement() {
    if (!arrange_) return;
    // The options a preview breaks are switched off only when it is kept.
    applyEffects(arrange_->effects);
    arrange_.reset();
}

void Document::cancelArrangement() {
    if (!arrange_) return;
    table_ = std::move(arrange_->base);
    history_ = std::move(arrange_->history);
    arrange_.reset();
}

AddReport Document::addFiles(const std::vector<LoadedFile>& files) {
    AddReport report;
    report.effects = edit([&](PieceTable& t, const Options& o) {
        Effects all;
        // Each piece is placed by the options as the notices before it left them.
        Options now = o;
        for (const LoadedFile& f : files) {
            if (f.picture.isNull()) {
                report.failures << f.path + QStringLiteral(": ") + f.error;
                continue;
            }
            Piece piece;
            piece.picture = f.picture;
            piece.pieceFile = f.path;
            piece.thumbnail = f.thumbnail;
            try {
                const Effects e = t.add(std::move(piece), now);
                all.notices << e.notices;
                all.noOverlapOff = all.noOverlapOff || e.noOverlapOff;
                all.keepInsideOff = all.keepInsideOff || e.keepInsideOff;
                if (e.noOverlapOff) now.noOverlap = false;
                if (e.keepInsideOff) now.keepInside = false;
                ++report.added;
            } catch (const base::Error& e) {
                report.failures << f.path + QStringLiteral(": ") + QString::fromUtf8(e.what());
            } catch (const std::bad_alloc&) {
                report.failures << f.path + QStringLiteral(": ") + base::messages::outOfMemory();
            }
        }
        return all;
    });
    return report;
}

bool Document::undo() {
    settleTransactions();
    return history_.undo(table_);
}

bool Document::redo() {
    settleTransactions();
    return history_.redo(table_);
}

}  // namespace collage
