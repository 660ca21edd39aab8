#include "collage/texts.h"

#include <QStringList>

namespace collage::texts {

QString piecesOutside(const std::vector<int>& slots) {
    QStringList numbers;
    for (int s : slots) numbers << QString::number(s);
    return numbers.join(u',') + QStringLiteral("が枠外に出ます。｢枠外に出さない」をOFFにします。");
}

}  // namespace collage::texts
