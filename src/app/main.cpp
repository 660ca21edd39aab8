#include <QApplication>

#include "app/wiring.h"
#include "bmpfilters/static_palette.h"
#include "codecs/codecs.h"
#include "collage/tkadrel.h"
#include "fullshow/tfull.h"
#include "load/tloadcut.h"
#include "platform/desktop.h"
#include "platform/qt_desktop.h"
#include "version/ttobrisk.h"
#include "zoom/tresize.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kadrel"));
    // Qt's own readers (clipboard, drops) get the same pixel budget as ours.
    codecs::limitQtReaders();
    bmpfilters::initStaticPalette();

    platform::QtDesktop desktop;
    platform::setDesktop(&desktop);

    // The windows in their order; only the main window is shown, and its first show places
    // the others.
    collage::Tkadrel kadrel;
    load::Tloadcut loadcut;
    zoom::Tresize resize;
    version::Ttobrisk tobrisk;
    fullshow::Tfull full;
    app::connectEditor(kadrel, loadcut);
    app::connectResize(kadrel, loadcut, resize);
    app::connectViewers(kadrel, loadcut, full, tobrisk);
    kadrel.show();
    return QApplication::exec();
}
