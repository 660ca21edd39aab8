#include "app/wiring.h"

#include "collage/tkadrel.h"
#include "fullshow/tfull.h"
#include "load/tloadcut.h"
#include "version/ttobrisk.h"

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

void connectViewers(collage::Tkadrel& kadrel, load::Tloadcut& editor, fullshow::Tfull& full,
                    version::Ttobrisk& help) {
    kadrel.showPreview = [&full](const QImage& picture) { full.showPicture(picture); };
    kadrel.showHelp = [&help] { help.verClick(); };
    editor.showHelp = [&help] { help.verClick(); };
    QObject::connect(&kadrel, &collage::Tkadrel::placeOtherWindows, &help,
                     [&help](QSize screen) { help.centreOn(screen); });
}

}  // namespace app
