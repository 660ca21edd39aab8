// Cut out, save, return, flips, clipboard and the resize dialog. The commands choose cutMode
// here; the work itself (savecut and the picture commands) is still to come, so they do nothing
// yet.

#include "load/tloadcut.h"

namespace load {

void Tloadcut::addpicClick() {
    cutMode = 1;
    savecut();
}

void Tloadcut::cutoutClick() {
    cutMode = 2;
    savecut();
}

// With Ctrl held "保存" cuts out instead; the menu's own Ctrl+S therefore cuts out too.
void Tloadcut::savepicClick() {
    cutMode = ctrlNow() ? 2 : 0;
    savecut();
}

void Tloadcut::cancelClick() {
    hide();
}

void Tloadcut::savecut() {}

void Tloadcut::resizeonClick() {}

void Tloadcut::PastemenuClick() {}

void Tloadcut::CopymenuClick() {}

void Tloadcut::HflipClick() {}

void Tloadcut::VflipClick() {}

}  // namespace load
