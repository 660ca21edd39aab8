#include "zoom/messages.h"

namespace zoom {

QString sameSizeText() {
    return QStringLiteral("サイズを変えてください");
}

QString sizeBelowOneText(int width, int height) {
    return QStringLiteral("縦横とも1以上のサイズにしてください (%1 × %2)").arg(width).arg(height);
}

QString noPictureText() {
    return QStringLiteral("画像がありません");
}

}  // namespace zoom
