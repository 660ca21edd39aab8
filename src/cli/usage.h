#pragma once

#include <QString>

namespace cli {

// The usage of one command ("join", "reduce", "resize", "rotate"), or of all of them for an
// empty name; an empty string for a name that is no command.
QString usage(const QString& command);

// "kadrel-cli 4.3".
QString versionText();

}  // namespace cli
