#include "codecs/messages.h"

#include <QDir>
#include <QFileInfo>

#include <gif_lib.h>

#include "base/messages.h"

#include "codecs/codecs.h"

namespace codecs::messages {

QString decodeFailed(const QString& reason) {
    return QStringLiteral("画像を読めません: %1").arg(reason);
}

QString readFailed(const QString& path, const QString& reason) {
    return QStringLiteral("ファイル「%1」を読めません: %2").arg(QDir::toNativeSeparators(path), reason);
}

QString encodeFailed(const QString& reason) {
    return QStringLiteral("画像を書き出せません: %1").arg(reason);
}

QString writeFailed(const QString& path, const QString& reason) {
    return QStringLiteral("ファイル「%1」に書き込めません: %2").arg(QDir::toNativeSeparators(path), reason);
}

QString confirmOverwrite(const QString& path) {
    return QStringLiteral("%1は既に存在します。上書きしますか？").arg(QDir::toNativeSeparators(path));
}

QString unsupportedExtension(const QString& extension) {
    const QString bare = extension.startsWith(u'.') ? extension.mid(1) : extension;
    return QStringLiteral("拡張子 .%1 の画像形式は処理できません").arg(bare);
}

QString fileTooLarge(qint64 bytes) {
    return QStringLiteral("ファイルが大きすぎます (%1 バイト)。読めるのは %2 MiB までです")
        .arg(bytes)
        .arg(kMaxFileBytes / (1024 * 1024));
}

QString writeIncomplete(qint64 written, qint64 total) {
    return QStringLiteral("%1 バイトのうち %2 バイトしか書き込めませんでした").arg(total).arg(written);
}

QString fileChanged() {
    return QStringLiteral("読み込みの途中でファイルが変わりました");
}

QString fileEmpty() {
    return QStringLiteral("ファイルが空です");
}

QString nullPicture() {
    return QStringLiteral("画像が空です");
}

QString gifNeedsIndexed() {
    return QStringLiteral("GIF に書き出せるのは 8 ビットのパレット画像だけです");
}

QString icoNotWritable() {
    return QStringLiteral("ICO 形式には書き出せません");
}

QString emptyPalette() {
    return QStringLiteral("パレットが空です");
}

QString outOfMemory() {
    return base::messages::outOfMemory();
}

QString fileError(const QString& path, const QString& systemReason, bool writing) {
    const QFileInfo info(path);
    QString what;
    if (info.isDir())
        what = QStringLiteral("フォルダーです");
    else if (!writing && !info.exists())
        what = QStringLiteral("ファイルがありません");
    else if (writing && !info.exists() && !info.absoluteDir().exists())
        what = QStringLiteral("フォルダーがありません");
    else if (info.exists() && (writing ? !info.isWritable() : !info.isReadable()))
        what = writing ? QStringLiteral("書き込みが許可されていません")
                       : QStringLiteral("読み取りが許可されていません");
    else
        what = writing ? QStringLiteral("書き込みに失敗しました") : QStringLiteral("読み込みに失敗しました");
    return systemReason.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, systemReason);
}

QString notRegularFile(NodeKind kind) {
    switch (kind) {
        case NodeKind::Device:
            return QStringLiteral("ファイルではなくデバイスです。デバイスは置き換えません");
        case NodeKind::Pipe:
            return QStringLiteral("ファイルではなく名前付きパイプです。パイプは置き換えません");
        case NodeKind::Socket:
            return QStringLiteral("ファイルではなくソケットです。ソケットは置き換えません");
        case NodeKind::LinkLoop:
            return QStringLiteral("ファイルではなく循環するリンクです。リンクは置き換えません");
        case NodeKind::Other:
            break;
    }
    return QStringLiteral("通常のファイルではないので置き換えません");
}

QString jpegNotJpeg(const QString& libraryReason) {
    return QStringLiteral("JPEG ファイルではありません (%1)").arg(libraryReason);
}

QString jpegUnreadable(const QString& libraryReason) {
    return QStringLiteral("JPEG ファイルを読めません (%1)").arg(libraryReason);
}

QString jpegTooLargeToWrite(int width, int height, int limit, const QString& libraryReason) {
    return QStringLiteral("JPEG に書き出せるのは一辺 %1 ピクセルまでです (%2 × %3) (%4)")
        .arg(limit)
        .arg(width)
        .arg(height)
        .arg(libraryReason);
}

QString jpegNotWritten(const QString& libraryReason) {
    return QStringLiteral("JPEG に書き出せません (%1)").arg(libraryReason);
}

QString jpegTooMuchWork(long long scans, long long width, long long height) {
    return QStringLiteral("プログレッシブ JPEG の展開に時間がかかりすぎます (%1 スキャン × %2 × %3 ピクセル)")
        .arg(scans)
        .arg(width)
        .arg(height);
}

QString jpegTruncated(const QString& libraryReason) {
    return QStringLiteral("JPEG ファイルが途中で切れています (%1)").arg(libraryReason);
}

QString jpegArithmeticCut() {
    return QStringLiteral(
        "JPEG ファイルが途中で切れているか壊れています (算術符号のデータが画像の終わりより前で尽きています)");
}

QString jpegDamaged(const QString& libraryReason) {
    return QStringLiteral("JPEG ファイルが壊れています (%1)").arg(libraryReason);
}

QString jpegTooManyScans(int limit) {
    return QStringLiteral("プログレッシブ JPEG のスキャンが多すぎます (%1 を超えています)").arg(limit);
}

QString jpegPrecision(int bits, const QString& libraryReason) {
    const QString text = QStringLiteral("%1 ビットの JPEG は扱えません").arg(bits);
    return libraryReason.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, libraryReason);
}

QString jpegColourSpace(int space) {
    return QStringLiteral("JPEG の色空間 (%1) は扱えません").arg(space);
}

QString pngTruncated() {
    return QStringLiteral("PNG ファイルが途中で切れています");
}

QString pngNotPng() {
    return QStringLiteral("PNG ファイルではありません");
}

QString pngDamaged(const QString& libraryReason) {
    return QStringLiteral("PNG ファイルが壊れています (%1)").arg(libraryReason);
}

QString pngIndexOutsidePalette(int index, int paletteSize) {
    return QStringLiteral("PNG ファイルが壊れています (色番号 %1 が %2 色のパレットの外にあります)")
        .arg(index)
        .arg(paletteSize);
}

QString pngNotWritten(const QString& libraryReason) {
    return QStringLiteral("PNG に書き出せません (%1)").arg(libraryReason);
}

QString gifNoFrame() {
    return QStringLiteral("GIF ファイルに画像がありません");
}

QString gifError(int code, const QString& libraryReason) {
    QString what;
    switch (code) {
        case D_GIF_ERR_NOT_GIF_FILE:
            what = QStringLiteral("GIF ファイルではありません");
            break;
        case D_GIF_ERR_READ_FAILED:
            what = QStringLiteral("GIF ファイルが途中で切れているか壊れています");
            break;
        case D_GIF_ERR_NOT_ENOUGH_MEM:
        case E_GIF_ERR_NOT_ENOUGH_MEM:
            what = outOfMemory();
            break;
        case D_GIF_ERR_NO_SCRN_DSCR:
        case D_GIF_ERR_NO_IMAG_DSCR:
        case D_GIF_ERR_NO_COLOR_MAP:
        case D_GIF_ERR_WRONG_RECORD:
        case D_GIF_ERR_DATA_TOO_BIG:
        case D_GIF_ERR_IMAGE_DEFECT:
        case D_GIF_ERR_EOF_TOO_SOON:
            what = QStringLiteral("GIF ファイルが壊れています");
            break;
        default:
            what = QStringLiteral("GIF を処理できません");
            break;
    }
    const QString reason = libraryReason.isEmpty() ? QStringLiteral("GIF error %1").arg(code) : libraryReason;
    return QStringLiteral("%1 (%2)").arg(what, reason);
}

QString gifLzwCodeSize(int bits) {
    return QStringLiteral("GIF の LZW 最小コード長 %1 ビットは扱えません (GIF が定めるのは 2〜8 ビットです)")
        .arg(bits);
}

QString icoUnreadable(const QString& libraryReason) {
    return libraryReason.isEmpty() ? QStringLiteral("アイコン ファイルを読めません")
                                   : QStringLiteral("アイコン ファイルを読めません (%1)").arg(libraryReason);
}

QString icoNoImage() {
    return QStringLiteral("アイコン ファイルに画像がありません");
}

QString gifIndexOutsideTable(int index, int tableSize) {
    return QStringLiteral("GIF ファイルが壊れています (色番号 %1 が %2 色の色表の外にあります)")
        .arg(index)
        .arg(tableSize);
}

QString bmpNotBitmap() {
    return QStringLiteral("BMP ファイルではありません");
}

QString bmpHeader(const QString& what) {
    return QStringLiteral("BMP ファイルのヘッダーが壊れています (%1)").arg(what);
}

QString bmpTruncated() {
    return QStringLiteral("BMP ファイルが途中で切れています");
}

QString bmpIndexOutsidePalette(int index, int paletteSize) {
    return QStringLiteral("BMP ファイルが壊れています (色番号 %1 が %2 色のパレットの外にあります)")
        .arg(index)
        .arg(paletteSize);
}

QString bmpRleOutside() {
    return QStringLiteral("BMP ファイルが壊れています (圧縮データが画像の外を指しています)");
}

QString bmpCompression(quint32 compression) {
    return QStringLiteral("この BMP の圧縮形式 (%1) は扱えません").arg(compression);
}

QString webpDamaged(const QString& libraryReason) {
    return QStringLiteral("WebP ファイルが壊れています (%1)").arg(libraryReason);
}

QString webpTruncated(const QString& libraryReason) {
    return QStringLiteral("WebP ファイルが途中で切れています (%1)").arg(libraryReason);
}

QString webpFramesFarSmallerThanCanvas(int canvasWidth, int canvasHeight, int framesWidth, int framesHeight) {
    return QStringLiteral(
               "WebP ファイルが壊れています (アニメーションの画面 %1 × %2 に対し、フレームは %3 × %4 "
               "の範囲にしかありません)")
        .arg(canvasWidth)
        .arg(canvasHeight)
        .arg(framesWidth)
        .arg(framesHeight);
}

QString webpTooLargeToWrite(int width, int height, int limit) {
    return QStringLiteral("WebP に書き出せるのは縦横とも %3 ピクセルまでの画像です (この画像は %1 × %2)")
        .arg(width)
        .arg(height)
        .arg(limit);
}

QString webpWriteFailed(const QString& libraryReason) {
    return QStringLiteral("WebP に変換できません (%1)").arg(libraryReason);
}

QString heifDamaged(const QString& libraryReason) {
    return QStringLiteral("HEIF/AVIF ファイルが壊れています (%1)").arg(libraryReason);
}

QString heifTruncated(const QString& libraryReason) {
    return QStringLiteral("HEIF/AVIF ファイルが途中で切れています (%1)").arg(libraryReason);
}

QString heifUnsupported(const QString& libraryReason) {
    return QStringLiteral("この HEIF/AVIF ファイルは扱えません (%1)").arg(libraryReason);
}

QString heifTooLarge(const QString& libraryReason) {
    return QStringLiteral("画像が大きすぎます (%1)").arg(libraryReason);
}

QString heifLocationsBeyondFile() {
    return heifDamaged(QStringLiteral("データの位置の記述がファイルの大きさを超えています"));
}

QString heifItemTwice() {
    return heifDamaged(QStringLiteral("同じ項目の記述が二つあります"));
}

QString heifReferenceLoop() {
    return heifDamaged(QStringLiteral("画像の参照が循環しています"));
}

QString heifReferencesDamaged() {
    return heifDamaged(QStringLiteral("画像の参照の記述が壊れています"));
}

QString heifInputNotPicture() {
    return heifDamaged(QStringLiteral("派生画像が画像でない項目を参照しています"));
}

QString heifNestedTooDeep(int limit) {
    return heifUnsupported(QStringLiteral("派生画像の入れ子が %1 段を超えています").arg(limit));
}

QString heifTooMuchWork(long long pixels, long long limit) {
    return QStringLiteral(
               "HEIF/AVIF の展開に時間がかかりすぎます (部分画像が合わせて %1 ピクセル以上、扱えるのは %2 "
               "ピクセルまでです)")
        .arg(pixels)
        .arg(limit);
}

QString heifLayerOutside(long long x, long long y, long long width, long long height, long long canvasWidth,
                         long long canvasHeight) {
    return heifUnsupported(
        QStringLiteral("重ねる画像 (位置 %1, %2、%3 × %4) がキャンバス (%5 × %6) からはみ出しています")
            .arg(x)
            .arg(y)
            .arg(width)
            .arg(height)
            .arg(canvasWidth)
            .arg(canvasHeight));
}

QString heifLayerWithAlpha() {
    return heifUnsupported(QStringLiteral("透明度を持つ画像の重ね合わせ"));
}

QString heifDerivedUnreadable(const QString& what) {
    return heifUnsupported(QStringLiteral("%1を読めません").arg(what));
}

QString heifNotWritable() {
    return QStringLiteral("HEIF/AVIF 形式には書き出せません");
}

}  // namespace codecs::messages
