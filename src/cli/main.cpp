#include <cstdio>

#include <QCoreApplication>
#include <QTextStream>

#include "cli/run.h"

int main(int argc, char** argv) {
    // No windows: QImage and the readers need only the core application.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kadrel-cli"));
    cli::prepare();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return cli::run(QCoreApplication::arguments().mid(1), out, err);
}
