#include "app/wiring.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include "platform/widgets.h"

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
    QObject::connect(
        &kadrel, &collage::Tkadrel::editPieceRequested, &editor,
        [&editor](const QImage& picture, const QString& file) { editor.editPiece(picture, file); });
    QObject::connect(&kadrel, &collage::Tkadrel::editWholeRequested, &editor,
                     [&editor](const QImage& picture, const QString& workFileName) {
                         editor.editWhole(picture, workFileName);
                     });
    editor.returnToCanvas = [&kadrel](const QImage& result, std::optional<base::Colour> key) {
        kadrel.takeEdited(result, key);
    };
    QObject::connect(&kadrel, &collage::Tkadrel::placeOtherWindows, &editor,
                     [&editor](QSize screen) { editor.move(editorPlace(screen, editor.size())); });
}

void connectResize(collage::Tkadrel& kadrel, load::Tloadcut& editor, zoom::Tresize& resize) {
    editor.openResize = [&resize] { resize.called(); };
    // Guarded: the dialog may be gone before the editor when the program ends.
    editor.closeResize = [dialog = QPointer<zoom::Tresize>(&resize)] {
        if (dialog && dialog->isVisible()) dialog->cancelClick();
    };
    editor.pickingColour = [&resize] { return resize.pickingColour(); };
    editor.colourPicked = [&resize](base::Colour c) { resize.colourPicked(c); };
    editor.resizeColour = [&resize] { return resize.transcolor->colour(); };

    resize.editorPicture = [&editor] { return editor.pictureCopy; };
    resize.showInEditor = [&editor](const QImage& picture) { editor.displayPicture(picture); };
    resize.showSelectionFrame = [&editor](bool on) { editor.showSelectionFrame(on); };
    resize.editorLoaded = [&editor] { editor.loaded(); };
    resize.setResizeTransparency = [&editor](bool on) { editor.resizeTransparency = on; };
    resize.pieceTransparent = [&kadrel] {
        const collage::Piece* piece = kadrel.document().table().current();
        return piece != nullptr && piece->transparent;
    };

    QObject::connect(&kadrel, &collage::Tkadrel::placeOtherWindows, &resize,
                     [&editor, &resize](QSize screen) {
                         resize.move(resizePlace(screen, editorPlace(screen, editor.size()).y()));
                     });
}

void connectViewers(collage::Tkadrel& kadrel, load::Tloadcut& editor, fullshow::Tfull& full,
                    version::Ttobrisk& help) {
    QObject::connect(&kadrel, &collage::Tkadrel::previewRequested, &full,
                     [&full](const QImage& picture) { full.showPicture(picture); });
    QObject::connect(&kadrel, &collage::Tkadrel::helpRequested, &help, [&help] { help.verClick(); });
    editor.showHelp = [&help] { help.verClick(); };
    QObject::connect(&kadrel, &collage::Tkadrel::placeOtherWindows, &help,
                     [&help](QSize screen) { help.centreOn(screen); });
}

namespace {

// Looks once the close has been handled: only a close the window accepted ends the program.
class QuitOnClose : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            auto* window = static_cast<QWidget*>(watched);
            QMetaObject::invokeMethod(
                this,
                [window] {
                    if (!window->isVisible()) QCoreApplication::quit();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

}  // namespace

void quitWithMainWindow(QWidget& main) {
    main.installEventFilter(new QuitOnClose(&main));
}

Windows::Windows(platform::Desktop& desktop)
    : kadrel(desktop), loadcut(desktop), resize(desktop), tobrisk(desktop), full(desktop) {
    connectEditor(kadrel, loadcut);
    connectResize(kadrel, loadcut, resize);
    connectViewers(kadrel, loadcut, full, tobrisk);
    quitWithMainWindow(kadrel);
}

}  // namespace app
