#pragma once

#include <QString>

namespace load::texts {

// Every text the cut editor shows of its own, in one place.
inline QString emptySelection() {
    return QStringLiteral("選択範囲が空です");
}
inline QString invalidClipboard() {
    return QStringLiteral("無効なクリップボード フォーマットです");
}

}  // namespace load::texts
