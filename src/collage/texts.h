#pragma once

#include <vector>

#include <QFileInfo>
#include <QString>
#include <QStringList>

#include "base/image.h"
#include "codecs/messages.h"

namespace collage::texts {

// Every text the main window shows, in one place.
inline QString confirmClear() {
    return QStringLiteral("本当に初期化しますか？");
}
inline QString confirmDelete() {
    return QStringLiteral("本当に削除しますか？");
}
inline QString keepInsideOffOnAdd() {
    return QStringLiteral("｢枠から出さない｣をOFFにします。");
}
inline QString keepInsideOff() {
    return QStringLiteral("｢枠外に出さない」をOFFにします。");
}
inline QString tooManyPieces() {
    return QStringLiteral("パーツは255個までしか置けません");
}
inline QString unsupportedClipboard() {
    return QStringLiteral("未対応のクリップボード データです");
}
inline QString confirmOverwrite(const QString& path) {
    return codecs::messages::confirmOverwrite(path);
}
// Saving over the photo a piece or the background came from; いいえ is the default.
inline QString confirmOverwriteSource(const QString& path) {
    return QStringLiteral("「%1」は画像パーツの元のファイルです。上書きしますか？")
        .arg(QFileInfo(path).fileName());
}
inline QString pastedPiece() {
    return QStringLiteral("貼り付けた画像");
}
inline QString noOverlapOff() {
    return QStringLiteral("｢重ねない｣をOFFにします。");
}
inline QString positionOutOfRange(long long v) {
    return QStringLiteral("位置が範囲外です (%1)").arg(v);
}
inline QString pieceSizeMismatch(long long w, long long h, long long pw, long long ph) {
    return QStringLiteral("パーツの大きさ (%1 × %2) が画像 (%3 × %4) と違います")
        .arg(w)
        .arg(h)
        .arg(pw)
        .arg(ph);
}
inline QString canvasTooLarge(long long w, long long h) {
    return QStringLiteral(
               "キャンバスが大きすぎます (%1 × %2)。扱えるのは一辺 %3 ピクセル、合計 %4 ピクセルまでです")
        .arg(w)
        .arg(h)
        .arg(base::kMaxSide)
        .arg(base::kMaxPixels);
}

inline QString nothingToArrange() {
    return QStringLiteral("整列するパーツがありません");
}
inline QString columnsCaption() {
    return QStringLiteral("列数");
}
inline QString gapCaption() {
    return QStringLiteral("間隔");
}
inline QString marginCaption() {
    return QStringLiteral("外枠");
}
inline QString targetCaption() {
    return QStringLiteral("サイズ");
}
inline QString rowWidthCaption() {
    return QStringLiteral("幅");
}
inline QString rowHeightCaption() {
    return QStringLiteral("行の高さ");
}
inline QString outputWidthCaption() {
    return QStringLiteral("出力の幅");
}
inline QString outputHeightCaption() {
    return QStringLiteral("出力の高さ");
}
inline QString rowsTooNarrow(long long width) {
    return QStringLiteral("幅 %1 px では外枠と間隔のほかにパーツを置く余地がありません").arg(width);
}
inline QString cellsTooSmall(long long width, long long height) {
    return QStringLiteral("出力サイズ %1 × %2 では外枠と間隔のほかにセルを置く余地がありません")
        .arg(width)
        .arg(height);
}
// "間隔は0から1000までです (1200)"
inline QString arrangeValueOutOfRange(const QString& caption, long long v, int low, int high) {
    return QStringLiteral("%1は%2から%3までです (%4)").arg(caption).arg(low).arg(high).arg(v);
}

// The question before unsaved work would be lost, and its buttons (保存 the default, キャンセル Esc).
inline QString askSaveChanges() {
    return QStringLiteral("配置への変更を保存しますか？");
}
inline QStringList saveChangesButtons() {
    return {QStringLiteral("保存(&S)"), QStringLiteral("保存しない(&N)"), QStringLiteral("キャンセル")};
}
// The offer of the work a program left when it did not end normally (復元 the default).
inline QString askRestore() {
    return QStringLiteral("前回終了時の配置を復元しますか？");
}
inline QStringList restoreButtons() {
    return {QStringLiteral("復元(&R)"), QStringLiteral("破棄(&D)")};
}

// The files of one add that could not be added, each with its reason, one a line.
inline QString filesNotAdded(const QStringList& failures) {
    return QStringLiteral("次のファイルは追加できませんでした:\n") + failures.join(QLatin1Char('\n'));
}

// "0,2が枠外に出ます。｢枠外に出さない」をOFFにします。"
QString piecesOutside(const std::vector<int>& slots);

}  // namespace collage::texts
