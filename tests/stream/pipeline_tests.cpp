// The pipeline's threads hand rows over between the readers, the pass and the writer: whatever
// the workers and the bands, the file is the one the whole-picture path writes, and a failure in
// any stage comes back as that stage's error. scripts/ci-tsan runs these under ThreadSanitizer.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "base/error.h"
#include "base/image.h"
#include "base/parallel.h"
#include "codecs/codecs.h"
#include "codecs/rows.h"
#include "stream/pipeline.h"
#include "stream/stages.h"
#include "zoom/rotation.h"
#include "zoom/scale.h"

namespace {

QImage noisy(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    QImage p = base::allocateBgr(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * w; ++x)
            p.scanLine(y)[x] = static_cast<std::uint8_t>((x / 3 + y + byte(random) / 8) % 256);
    return p;
}

QString savedJpeg(const QTemporaryDir& dir, const QString& name, const QImage& picture) {
    const QString path = dir.filePath(name);
    codecs::writeFile(path, picture, codecs::Format::Jpeg);
    return path;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Two inputs side by side, the shorter one over the background's black below its end.
class SideBySide : public stream::Stages {
public:
    SideBySide(const QImage& left, const QImage& right) : left_(left), right_(right) {}
    QSize size() const override {
        return {left_.width() + right_.width(), std::max(left_.height(), right_.height())};
    }
    std::pair<int, int> reads(std::size_t input, int top, int bottom) const override {
        const int h = (input == 0 ? left_ : right_).height();
        return {std::min(top, h), std::min(bottom, h)};
    }
    void run(std::uint8_t* first, qsizetype stride, int top, int bottom) const override {
        base::parallelFor(bottom - top, [&](int i) {
            const int y = top + i;
            std::uint8_t* row = first + stride * i;
            std::memset(row, 0, 3 * static_cast<std::size_t>(size().width()));
            if (y < left_.height())
                std::memcpy(row, left_.constScanLine(y), 3 * static_cast<std::size_t>(left_.width()));
            if (y < right_.height())
                std::memcpy(row + 3 * left_.width(), right_.constScanLine(y),
                            3 * static_cast<std::size_t>(right_.width()));
        });
    }

private:
    const QImage& left_;
    const QImage& right_;
};

}  // namespace

TEST(Pipeline, GivesTheWholePathsFileWhateverWorkersAndBands) {
    QTemporaryDir dir;
    const QString a = savedJpeg(dir, QStringLiteral("a.jpg"), noisy(300, 200, 1));
    const QString b = savedJpeg(dir, QStringLiteral("b.jpg"), noisy(120, 310, 2));
    const QImage wholeA = codecs::readFile(a, codecs::Format::Jpeg);
    const QImage wholeB = codecs::readFile(b, codecs::Format::Jpeg);
    zoom::RotateOptions turn;
    turn.angle = zoom::rotationAngle(-117, 25);
    const QSize turned = zoom::rotatedSize(wholeA.size(), turn.angle);
    const QByteArray scaledFile =
        codecs::encode(zoom::scale(wholeA, QSize(170, 260), {}), codecs::Format::Jpeg);
    const QByteArray turnedFile = codecs::encode(zoom::rotate(wholeA, turned, turn), codecs::Format::Png);
    const QImage pair = stream::run(SideBySide(wholeA, wholeB), {});
    const QString out = dir.filePath(QStringLiteral("out"));

    for (int workers : {1, 4, 64})
        for (int band : {1, 3, 1 << 30}) {
            SCOPED_TRACE(testing::Message() << workers << " workers, bands of " << band);
            const base::ScopedWorkerCount scopedWorkers(workers, true);
            const stream::ScopedBandRows scopedBands(band);
            auto reader = codecs::RowReader::open(a, codecs::Format::Jpeg);
            const auto scale = zoom::scaleBands(reader->picture(), QSize(170, 260), {});
            ASSERT_TRUE(stream::saveInBands(out, codecs::Format::Jpeg, {}, stream::PassStages(*scale),
                                            {reader.get()}));
            EXPECT_TRUE(bytesOf(out) == scaledFile);

            reader = codecs::RowReader::open(a, codecs::Format::Jpeg);
            const auto rotate = zoom::rotateBands(reader->picture(), turned, turn);
            ASSERT_TRUE(stream::saveInBands(out, codecs::Format::Png, {}, stream::PassStages(*rotate),
                                            {reader.get()}));
            EXPECT_TRUE(bytesOf(out) == turnedFile);

            auto left = codecs::RowReader::open(a, codecs::Format::Jpeg);
            auto right = codecs::RowReader::open(b, codecs::Format::Jpeg);
            EXPECT_TRUE(stream::run(SideBySide(left->picture(), right->picture()),
                                    {left.get(), right.get()}) == pair);
        }
}

TEST(Pipeline, AStagesFailureComesBackWhereverItHappens) {
    QTemporaryDir dir;
    const QByteArray whole = bytesOf(savedJpeg(dir, QStringLiteral("a.jpg"), noisy(64, 900, 3)));
    const QString cut = dir.filePath(QStringLiteral("cut.jpg"));
    QFile f(cut);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(whole.left(whole.size() / 2));
    f.close();
    for (int workers : {1, 4}) {
        const base::ScopedWorkerCount scopedWorkers(workers, true);
        const stream::ScopedBandRows scopedBands(5);
        auto reader = codecs::RowReader::open(cut, codecs::Format::Jpeg);
        const auto scale = zoom::scaleBands(reader->picture(), QSize(30, 400), {});
        EXPECT_THROW(stream::saveInBands(dir.filePath(QStringLiteral("o.jpg")), codecs::Format::Jpeg, {},
                                         stream::PassStages(*scale), {reader.get()}),
                     base::Error);
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("o.jpg"))));
    }
}
