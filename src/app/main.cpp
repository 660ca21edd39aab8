#include <QApplication>
#include <QImageReader>

#include "base/image.h"
#include "collage/tkadrel.h"
#include "platform/desktop.h"
#include "platform/qt_desktop.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kadrel"));
    // Qt's own readers (clipboard, drops) get the same budget as ours: 2^27 pixels at 4 bytes.
    QImageReader::setAllocationLimit(static_cast<int>(base::kMaxPixels * 4 / (1024 * 1024)));

    platform::QtDesktop desktop;
    platform::setDesktop(&desktop);

    // The five windows, in this order; only the main window is shown.
    collage::Tkadrel kadrel;
    kadrel.show();
    return QApplication::exec();
}
