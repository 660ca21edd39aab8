#include "app/wiring.h"

#include "collage/tkadrel.h"
#include "load/tloadcut.h"

namespace app {

QPoint editorPlace(QSize screen, QSize editor) {
    return {screen.width() / 2 - editor.width(), (screen.height() - editor.height()) / 2};
}

QPoint resizePlace(QSize screen, int editorTop) {
    return {screen.width() / 2, editorTop};
}

QPoint helpPlace(QSize screen, QSize help) {
    return {(screen.width() - help.width()) / 2, (screen.height() - help.height()) / 2};
}

void connectEditor(collage::Tkadrel& kadrel, load::Tloadcut& editor) {
    editor.returnToCanvas = [&kadrel](const QImage& result, std::optional<base::Colour> key) {
        kadrel.takeEdited(result, key);
    };
    QObject::connect(&kadrel, &collage::Tkadrel::placeOtherWindows, &editor,
                     [&editor](QSize screen) { editor.move(editorPlace(screen, editor.size())); });
}

}  // namespace app
