#include "load/load_source.h"

namespace load {

LoadAction loadAction(LoadSender sender, bool ctrlHeld) {
    switch (sender) {
        case LoadSender::reloadmenu:
            return LoadAction::Reload;
        case LoadSender::loadmenu:
            return LoadAction::LoadAnother;
        case LoadSender::Loadpic:
            break;
    }
    return ctrlHeld ? LoadAction::LoadAnother : LoadAction::Reload;
}

}  // namespace load
