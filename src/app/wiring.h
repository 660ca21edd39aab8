#pragma once

#include <QSize>
#include <QWidget>

#include "collage/window/tkadrel.h"
#include "fullshow/tfull.h"
#include "load/window/tloadcut.h"
#include "version/ttobrisk.h"
#include "zoom/window/tresize.h"

namespace app {

// Where a window other than the main one goes on a screen of `screen` (halves truncate).
// The cut editor's right edge lies at the middle of the screen, vertically centred.
QPoint editorPlace(QSize screen, QSize editor);
// The resize dialog starts at the middle, level with the editor's top.
QPoint resizePlace(QSize screen, int editorTop);
// The help window is centred.
QPoint helpPlace(QSize screen, QSize help);

// The links between the main window and the cut editor: "編集" and "全体編集" open the editor
// on a copy, "OK" returns to the current piece.
void connectEditor(collage::Tkadrel& kadrel, load::Tloadcut& editor);

// The resize dialog works on the editor's picture: "ズーム" opens it beside the editor, previews
// show in the editor, "決定" hands the picture and the transparency back, and while "色選択" is
// down a press on the editor's picture picks its colour. It reads the main window's "透明色".
void connectResize(collage::Tkadrel& kadrel, load::Tloadcut& editor, zoom::Tresize& resize);

// The preview and the help window, reached from both windows; the first show of the main
// window places the help window too.
void connectViewers(collage::Tkadrel& kadrel, load::Tloadcut& editor, fullshow::Tfull& full,
                    version::Ttobrisk& help);

// Closing the main window ends the program, whatever other window is still open (the editor,
// the help window and the dialog are windows of their own and would keep it running).
void quitWithMainWindow(QWidget& main);

// The program's five windows, created in their order (members are built as declared) and linked;
// only the main window is to be shown, and its first show places the others. Each is handed
// `desktop`, which must outlive them: the preview shows the taskbar again as it goes.
struct Windows {
    explicit Windows(platform::Desktop& desktop);
    collage::Tkadrel kadrel;
    load::Tloadcut loadcut;
    zoom::Tresize resize;
    version::Ttobrisk tobrisk;
    fullshow::Tfull full;
};

}  // namespace app
