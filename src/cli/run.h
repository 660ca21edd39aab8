#pragma once

#include <QStringList>
#include <QTextStream>

namespace cli {

// Once per process, before any command: the static palette and Qt's reader budget, as the
// program's own start-up does.
void prepare();

// Runs one command line (the arguments after the program name). Help and the version go to
// `out`; messages to `err`. Returns the exit status: 0 done, 1 the work failed, 2 a command
// line that cannot be run (then nothing is read or written).
int run(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace cli
