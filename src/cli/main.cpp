#include <csignal>
#include <cstdio>

#include <QCoreApplication>
#include <QTextStream>

#include "cli/run.h"

int main(int argc, char** argv) {
    // No windows: QImage and the readers need only the core application.
    // Past a file-size limit the write must fail with its message and status 1 (the old file is
    // kept); by default the kernel's signal would end the program silently instead.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kadrel-cli"));
    cli::prepare();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return cli::run(QCoreApplication::arguments().mid(1), out, err);
}
