#include "cli_test_util.h"

#include <QTextStream>

#include "base/image.h"
#include "cli/run.h"
#include "codecs/codecs.h"

namespace clitest {

Outcome runCli(const QStringList& args) {
    Outcome o;
    QTextStream out(&o.out);
    QTextStream err(&o.err);
    o.status = cli::run(args, out, err);
    return o;
}

QImage picture(int w, int h, base::Colour fill, std::initializer_list<Dot> dots) {
    QImage image = base::makeBgr(w, h, fill);
    for (const Dot& d : dots) base::setPixel(image, d.x, d.y, d.colour);
    return image;
}

QString save(const QTemporaryDir& dir, const QString& name, const QImage& image) {
    const QString path = dir.filePath(name);
    codecs::writeFile(path, image, codecs::formatByExtension(path));
    return path;
}

QImage load(const QString& path) {
    return codecs::readFile(path, codecs::formatByExtension(path));
}

}  // namespace clitest
