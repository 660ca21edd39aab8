// The commands decode, pass and encode a band of rows at a time, on several threads. Whatever the
// workers and the bands, their files must be those of the whole-picture path: each file read
// whole, the pass run over it, the result encoded whole.

#include <algorithm>
#include <cstdint>
#include <random>
#include <thread>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include "base/error.h"
#include "base/image.h"
#include "base/parallel.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli_test_util.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"
#include "codecs/rows.h"
#include "stream/pipeline.h"
#include "test_support.h"
#include "zoom/rotation.h"
#include "zoom/scale.h"

namespace {

using clitest::runCli;

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A photo-like picture: smooth gradients with noise, and a block of one colour for the key.
QImage noisy(std::mt19937& random, int w, int h) {
    QImage p = base::allocateBgr(w, h);
    std::uniform_int_distribution<int> noise(-20, 20);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool block = x < w / 3 && y < h / 4;
            const auto channel = [&](int v) {
                return static_cast<std::uint8_t>(std::clamp(v + noise(random), 0, 255));
            };
            base::setPixel(
                p, x, y,
                block ? base::rgb(10, 200, 30)
                      : base::rgb(channel(x * 255 / w), channel(y * 255 / h), channel((x + y) % 256)));
        }
    return p;
}

// Runs `args` under every worker count and band size and expects the file `expected` each time.
void expectSameEverywhere(const QStringList& args, const QString& output, const QByteArray& expected) {
    for (int workers : {1, 2, 64})
        for (int band : {1, 1 << 30}) {
            SCOPED_TRACE(QStringLiteral("%1 workers, bands of %2 rows: %3")
                             .arg(workers)
                             .arg(band)
                             .arg(args.join(QLatin1Char(' ')))
                             .toStdString());
            QFile::remove(output);
            const base::ScopedWorkerCount scopedWorkers(workers, true);
            const stream::ScopedBandRows scopedBands(band);
            const clitest::Outcome outcome = runCli(args);
            ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
            EXPECT_TRUE(bytesOf(output) == expected);
        }
}

codecs::Format formatOf(const QString& path) {
    return *cli::outputFormat(path);
}

codecs::WriteOptions quality(int q) {
    codecs::WriteOptions o;
    o.jpegQuality = q;
    return o;
}

}  // namespace

// Seeded random scaling, rotation and joins over generated JPEG pieces and the corpus's
// progressive, grey, CMYK, turned and arithmetic-coded files (the last two read whole).
TEST(StreamedCommands, GiveTheWholePathsBytesWhateverWorkersAndBands) {
    QTemporaryDir dir;
    std::mt19937 random(2512);
    const QString corpus = testsupport::corpusDir();
    QStringList inputs;
    for (int i = 0; i < 4; ++i) {
        std::uniform_int_distribution<int> side(20, 90);
        inputs << clitest::save(dir, QStringLiteral("piece%1.jpg").arg(i),
                                noisy(random, side(random), side(random)));
    }
    for (const char* name :
         {"libjpeg-turbo-testimages/testimgint.jpg", "libjpeg-turbo-testimages/testimgari.jpg",
          "pillow-tests/jpeg/hopper_gray.jpg", "pillow-tests/jpeg/pil_sample_cmyk.jpg",
          "pillow-tests/jpeg/hopper_orientation_6.jpg"})
        inputs << corpus + QLatin1Char('/') + QString::fromLatin1(name);

    const QStringList outputs = {dir.filePath(QStringLiteral("out.jpg")),
                                 dir.filePath(QStringLiteral("out.png")),
                                 dir.filePath(QStringLiteral("out.bmp"))};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(inputs.size()) - 1);
    for (int round = 0; round < 6; ++round) {
        const QString& in = inputs[pick(random)];
        const QString& out = outputs[static_cast<std::size_t>(round) % 3];
        const bool transparent = round % 2 == 1;
        const QImage source = codecs::readFile(in, codecs::formatByExtension(in));
        const zoom::KeyOptions key{transparent, base::pixelAt(source, 0, 0), 50};

        // Scaling down and up.
        std::uniform_int_distribution<int> factor(30, 180);
        const QSize size(std::max(1, source.width() * factor(random) / 100),
                         std::max(1, source.height() * factor(random) / 100 + 1));
        QStringList args = {QStringLiteral("resize"),
                            in,
                            out,
                            QStringLiteral("--size"),
                            QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                            QStringLiteral("--quality"),
                            QStringLiteral("90")};
        if (transparent) args << QStringLiteral("--transparent");
        expectSameEverywhere(args, out,
                             codecs::encode(zoom::scale(source, size, key), formatOf(out), quality(90)));

        // Rotation by any angle, the turned source read from the bottom up beyond 90°.
        std::uniform_int_distribution<int> degrees(-200, 200), hundredths(0, 99);
        const int d = degrees(random), h = hundredths(random);
        zoom::RotateOptions r;
        r.angle = zoom::rotationAngle(d, h);
        r.key = key;
        r.gap = transparent ? key.colour : base::rgb(1, 2, 3);
        r.blendBorder = !transparent && round % 4 == 0;
        args = {QStringLiteral("rotate"),
                in,
                out,
                QStringLiteral("--degrees"),
                QString::number(d),
                QStringLiteral("--hundredths"),
                QString::number(h),
                QStringLiteral("--gap"),
                QStringLiteral("010203")};
        if (transparent) args << QStringLiteral("--transparent");
        if (r.blendBorder) args << QStringLiteral("--blend-border");
        expectSameEverywhere(
            args, out,
            codecs::encode(zoom::rotate(source, zoom::rotatedSize(source.size(), r.angle), r),
                           formatOf(out)));
    }

    // Joins: every input at once, on a canvas that cuts some pieces off, pieces over each other.
    for (int round = 0; round < 3; ++round) {
        const QString& out = outputs[static_cast<std::size_t>(round)];
        QStringList args = {
            QStringLiteral("join"),     QStringLiteral("-o"),      out,
            QStringLiteral("--screen"), QStringLiteral("300x200"), QStringLiteral("--background"),
            QStringLiteral("203040")};
        if (round == 1) args << QStringLiteral("--canvas") << QStringLiteral("170x150");
        if (round == 2) args << QStringLiteral("--transparent");
        QStringList files = inputs;
        std::shuffle(files.begin(), files.end(), random);
        files << inputs.first();  // the same file twice
        args << files;
        cli::JoinOptions o = std::get<cli::JoinOptions>(cli::parseArguments(args));
        QString notices;
        QTextStream err(&notices);
        const QByteArray expected = codecs::encode(cli::joined(o, err), formatOf(out));
        expectSameEverywhere(args, out, expected);
    }
}

// A damaged piece is refused as the whole path refuses it, even where the canvas shows none of
// the damage, and the old output stays.
TEST(StreamedCommands, RefuseADamagedPieceWhereverTheDamageLies) {
    QTemporaryDir dir;
    std::mt19937 random(7);
    const QString whole = clitest::save(dir, QStringLiteral("whole.jpg"), noisy(random, 64, 400));
    const QByteArray bytes = bytesOf(whole);
    const QString cut =
        testsupport::writeBytes(dir.filePath(QStringLiteral("cut.jpg")), bytes.left(bytes.size() * 2 / 3));
    const QString out = testsupport::writeBytes(dir.filePath(QStringLiteral("out.jpg")), "old");
    const QString expected = [&] {
        try {
            codecs::readFile(cut, codecs::Format::Jpeg);
        } catch (const base::Error& e) {
            return e.text();
        }
        return QString();
    }();
    ASSERT_FALSE(expected.isEmpty());
    for (int workers : {1, 2}) {
        const base::ScopedWorkerCount scoped(workers, true);
        const stream::ScopedBandRows bands(8);
        const clitest::Outcome outcome =
            runCli({QStringLiteral("join"), QStringLiteral("-o"), out, QStringLiteral("--canvas"),
                    QStringLiteral("64x40"), whole, cut});
        EXPECT_EQ(outcome.status, 1);
        EXPECT_TRUE(outcome.err.contains(expected)) << outcome.err.toStdString();
        EXPECT_EQ(bytesOf(out), QByteArray("old"));
    }
}

// A piece read from a pipe cannot be read again for its rows: it keeps its bytes.
TEST(StreamedCommands, ReadAPieceFromAPipe) {
    QTemporaryDir dir;
    std::mt19937 random(5);
    const QString file = clitest::save(dir, QStringLiteral("a.jpg"), noisy(random, 50, 40));
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray bytes = bytesOf(file);
    std::thread writer([&] {
        QFile f(fifo);
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    });
    const QString out = dir.filePath(QStringLiteral("out.jpg"));
    const clitest::Outcome outcome = runCli({QStringLiteral("join"), QStringLiteral("-o"), out, fifo});
    writer.join();
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    const QString fromFile = dir.filePath(QStringLiteral("from-file.jpg"));
    ASSERT_EQ(runCli({QStringLiteral("join"), QStringLiteral("-o"), fromFile, file}).status, 0);
    EXPECT_TRUE(bytesOf(out) == bytesOf(fromFile));
}

// A file read again for its rows must be the file first read.
TEST(StreamedCommands, RefuseAFileChangedBetweenItsHeaderAndItsRows) {
    QTemporaryDir dir;
    std::mt19937 random(3);
    const QString path = clitest::save(dir, QStringLiteral("a.jpg"), noisy(random, 40, 30));
    auto reader = codecs::RowReader::open(path, codecs::Format::Jpeg);
    clitest::save(dir, QStringLiteral("a.jpg"), noisy(random, 40, 30));
    try {
        reader->readTo(30);
        FAIL() << "a changed file was read";
    } catch (const base::Error& e) {
        EXPECT_TRUE(e.text().contains(codecs::messages::fileChanged())) << e.text().toStdString();
    }
}
