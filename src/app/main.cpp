#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/wiring.h"
#include "bmpfilters/static_palette.h"
#include "codecs/codecs.h"
#include "platform/desktop.h"
#include "platform/qt_desktop.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kadrel"));
    // The interface is Japanese whatever the locale, so Qt's own dialogs and buttons are too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    // Qt's own readers (clipboard, drops) get the same pixel budget as ours.
    codecs::limitQtReaders();
    bmpfilters::initStaticPalette();

    platform::QtDesktop desktop;
    // WebP and AVIF on the clipboard (browsers offer them) go through the codecs' readers.
    desktop.setClipboardReader(&codecs::clipboardPicture);
    platform::setDesktop(&desktop);

    // Only the main window is shown; its first show places the others.
    app::Windows windows;
    windows.kadrel.show();
    return QApplication::exec();
}
