#include "base/error.h"

#include "base/messages.h"

namespace base {

QString messageOf(const std::exception& e) {
    if (auto* err = dynamic_cast<const Error*>(&e)) return err->text();
    if (dynamic_cast<const std::bad_alloc*>(&e)) return messages::outOfMemory();
    return QString::fromUtf8(e.what());
}

}  // namespace base
