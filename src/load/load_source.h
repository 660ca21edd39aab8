#pragma once

namespace load {

// The three commands that bring a file into the cut editor.
enum class LoadSender { Loadpic, reloadmenu, loadmenu };

enum class LoadAction {
    Reload,       // read the remembered file again (or ask for one when it is gone)
    LoadAnother,  // ask for another file
};

// "再ロード" always reloads, "ロード" always asks; the button "リロード" reloads, or asks when
// Ctrl is held at the moment of the command.
LoadAction loadAction(LoadSender sender, bool ctrlHeld);

}  // namespace load
