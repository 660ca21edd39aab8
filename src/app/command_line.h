#pragma once

#include <QString>
#include <QStringList>

namespace collage {
class Tkadrel;
}

namespace app {

// What the command line asks of the program.
struct StartRequest {
    QStringList files;  // to add as pieces once the window shows, absolute, in the given order
    QString out;        // for standard output (the usage or the version)
    QString err;        // for standard error (a wrong command line)
    int exitCode = -1;  // 0 or more: answer with `out`/`err` and end without a window
};

// Reads the arguments left after Qt has taken its own (the first one is the program).
// "--help" and "--version" win over anything else on the line; an unknown option ends with 2.
// File names are taken from the current directory; "file:" URLs as the local files they name.
StartRequest readCommandLine(const QStringList& arguments);

// The usage and the version, as printed.
QString usageText();
QString versionText();

// Adds `files` as a drop of those files would, errors included.
void addStartFiles(collage::Tkadrel& kadrel, const QStringList& files);

}  // namespace app
