#include <cstdio>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include "app/command_line.h"
#include "app/wiring.h"
#include "bmpfilters/static_palette.h"
#include "codecs/codecs.h"
#include "collage/recovery.h"
#include "platform/desktop.h"
#include "platform/guard.h"
#include "platform/qt_desktop.h"

namespace {

int answer(const app::StartRequest& request) {
    std::fputs(request.out.toLocal8Bit().constData(), stdout);
    std::fputs(request.err.toLocal8Bit().constData(), stderr);
    return request.exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    // --help and --version answer before Qt looks for a display, so they work in any terminal.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i) rawArguments << QString::fromLocal8Bit(argv[i]);
    if (const app::StartRequest early = app::readCommandLine(rawArguments); early.exitCode == 0)
        return answer(early);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kadrel"));
    QApplication::setApplicationVersion(QStringLiteral(KADREL_VERSION));
    // Ties the windows to the installed desktop entry (its name and icon in docks and task bars).
    QGuiApplication::setDesktopFileName(QStringLiteral(KADREL_APP_ID));
    // The installed theme's icon; run from the build folder, the copy built into the program.
    QIcon builtIn;
    for (const int size : {16, 32, 48, 256}) builtIn.addFile(QStringLiteral(":/icon/%1.png").arg(size));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(KADREL_APP_ID), builtIn));
    // Qt has taken its own options (-platform, -style, ...) by now; what is left is ours.
    const app::StartRequest start = app::readCommandLine(QApplication::arguments());
    if (start.exitCode >= 0) return answer(start);

    // The interface is Japanese whatever the locale, so Qt's own dialogs and buttons are too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    // Qt's own readers (clipboard, drops) get the same pixel budget as ours.
    codecs::limitQtReaders();
    bmpfilters::initStaticPalette();

    // Made before the windows and so gone after them: they use it until their last destructor.
    platform::QtDesktop desktop;
    // WebP and AVIF on the clipboard (browsers offer them) go through the codecs' readers.
    desktop.setClipboardReader(&codecs::clipboardPicture);

    // Only the main window is shown; its first show places the others.
    app::Windows windows(desktop);
    windows.kadrel.show();
    // Work a program that did not end normally left behind is offered first; then files from the
    // command line ("Open with") arrive as a drop would, on the shown window.
    const QString recovery = collage::recoveryFolder();
    windows.kadrel.enableRecovery(recovery);
    QTimer::singleShot(0, &windows.kadrel, [&windows, &start, &desktop, recovery] {
        platform::runGuarded(desktop, &windows.kadrel, [&] { windows.kadrel.offerRecovery(recovery); });
        if (!start.files.isEmpty()) app::addStartFiles(windows.kadrel, start.files);
    });
    return QApplication::exec();
}
