#include "platform/guard.h"

#include "base/error.h"
#include "base/messages.h"
#include "platform/desktop.h"

namespace platform {

void reportError(Desktop& desktop, QWidget* parent, const std::exception& e) {
    desktop.error(parent, base::messageOf(e));
}

void reportUnknownError(Desktop& desktop, QWidget* parent) {
    desktop.error(parent, base::messages::unexpectedError());
}

}  // namespace platform
