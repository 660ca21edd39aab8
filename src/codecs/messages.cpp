#include "codecs/messages.h"

#include <QDir>

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
    return QStringLiteral("メモリが足りません");
}

QString jpegTruncated(const QString& libraryReason) {
    return QStringLiteral("JPEG ファイルが途中で切れています (%1)").arg(libraryReason);
}

QString jpegDamaged(const QString& libraryReason) {
    return QStringLiteral("JPEG ファイルが壊れています (%1)").arg(libraryReason);
}

QString jpegTooManyScans(int limit) {
    return QStringLiteral("プログレッシブ JPEG のスキャンが多すぎます (%1 を超えています)").arg(limit);
}

QString jpegPrecision(int bits) {
    return QStringLiteral("%1 ビットの JPEG は扱えません").arg(bits);
}

QString jpegColourSpace(int space) {
    return QStringLiteral("JPEG の色空間 (%1) は扱えません").arg(space);
}

QString pngTruncated() {
    return QStringLiteral("PNG ファイルが途中で切れています");
}

QString gifNoFrame() {
    return QStringLiteral("GIF ファイルに画像がありません");
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

QString heifNotWritable() {
    return QStringLiteral("HEIF/AVIF 形式には書き出せません");
}

}  // namespace codecs::messages
