#include "base/messages.h"

#include <cmath>

#include "base/image.h"

namespace base::messages {

namespace {

QString whole(double v) {
    return std::isfinite(v) ? QString::number(v, 'f', 0) : QString::number(v);
}

QString sizeText(const QString& width, const QString& height) {
    return QStringLiteral(
               "画像が大きすぎるか空です (%1 × %2)。扱えるのは一辺 %3 ピクセル、合計 %4 ピクセルまでです")
        .arg(width, height)
        .arg(kMaxSide)
        .arg(kMaxPixels);
}

}  // namespace

QString pictureSize(std::int64_t width, std::int64_t height) {
    return sizeText(QString::number(width), QString::number(height));
}

QString pictureSize(double width, double height) {
    return sizeText(whole(width), whole(height));
}

QString outOfMemory() {
    return QStringLiteral("メモリが足りません");
}

QString outOfMemory(std::int64_t width, std::int64_t height) {
    return QStringLiteral("メモリが足りません (%1 × %2)").arg(width).arg(height);
}

QString unexpectedError() {
    return QStringLiteral("予期しないエラーが起きました");
}

QString notAnInteger(const QString& text) {
    return QStringLiteral("'%1' は整数ではありません").arg(text);
}

QString numberOutOfRange(double value) {
    return QStringLiteral("数値 %1 は扱える範囲を超えています").arg(whole(value));
}

}  // namespace base::messages
