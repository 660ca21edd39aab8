#include "stream/pipeline.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include "base/error.h"
#include "base/image.h"
#include "base/parallel.h"
#include "codecs/messages.h"

namespace stream {

namespace {

std::atomic<int> forcedBandRows{0};

// A band of about this many bytes keeps the threads' hand-overs rare and the rows in flight few.
constexpr long long kBandBytes = 2LL << 20;
// How many bands a stage may run ahead of the one after it: enough to ride out one slow band.
constexpr int kAhead = 3;
// Rows decoded at a time where no band asks for them (the end of a file no band shows).
constexpr int kTailRows = 64;

struct Bands {
    int height;
    int rows;
    int count;
    int top(int b) const { return static_cast<int>(std::min<long long>(height, 1LL * b * rows)); }
    int bottom(int b) const { return static_cast<int>(std::min<long long>(height, (b + 1LL) * rows)); }
};

// The readers' side: what a band reads is decoded before it runs, with a row more where there
// is one (a pass reads a pixel as four bytes, the fourth in the next row); rows no band left
// reads go back.
class Inputs {
public:
    Inputs(const Stages& stages, const std::vector<codecs::RowReader*>& readers, int height)
        : stages_(stages), readers_(readers), height_(height), released_(readers.size(), 0) {}

    void prepare(int top, int bottom) {
        std::vector<std::pair<codecs::RowReader*, int>> work;
        for (std::size_t i = 0; i < readers_.size(); ++i) {
            const auto [first, last] = stages_.reads(i, top, bottom);
            if (first >= last) continue;
            const int wanted = std::min(last + 1, readers_[i]->size().height());
            if (wanted > readers_[i]->ready()) work.emplace_back(readers_[i], wanted);
        }
        // Each reader is its own decoder: several pieces a band shows decode side by side.
        base::parallelFor(static_cast<int>(work.size()), [&](int k) {
            work[static_cast<std::size_t>(k)].first->readTo(work[static_cast<std::size_t>(k)].second);
        });
    }

    // Bands from `top` on are still to run.
    void release(int top) {
        for (std::size_t i = 0; i < readers_.size(); ++i) {
            codecs::RowReader& reader = *readers_[i];
            const auto [first, last] = stages_.reads(i, top, height_);
            const int keep = first < last ? first : reader.ready();
            // From the first row each time: the memory goes back in whole pages, and the page a
            // band's first row shares with the rows before it goes with a later band.
            if (keep > released_[i]) {
                reader.release(0, keep);
                released_[i] = std::min(keep, reader.ready());
            }
        }
    }

    // Decodes every input to its end, letting go at once the rows past the last any band reads.
    void drain() {
        for (std::size_t i = 0; i < readers_.size(); ++i) {
            codecs::RowReader& reader = *readers_[i];
            const int height = reader.size().height();
            const auto [first, last] = stages_.reads(i, 0, height_);
            const int tail = first < last ? last + 1 : 0;
            while (reader.ready() < height) {
                const int from = reader.ready();
                reader.readTo(std::min(height, from + kTailRows));
                if (reader.ready() > tail) reader.release(tail, reader.ready());
            }
        }
    }

private:
    const Stages& stages_;
    const std::vector<codecs::RowReader*>& readers_;
    int height_;
    std::vector<int> released_;
};

// Where the bands are made: the whole destination, or, when they are written as they come, a ring
// of a band for each one in flight, used again and again, so that no band costs fresh pages.
class Destination {
public:
    Destination(QSize size, const Bands& bands, bool whole)
        : bands_(bands), slots_(whole ? 0 : std::min(bands.count, kAhead + 1)) {
        if (whole) {
            picture_ = base::allocateBgr(size.width(), size.height());
            first_ = picture_.bits();
            stride_ = picture_.bytesPerLine();
            return;
        }
        stride_ = (3 * static_cast<qsizetype>(size.width()) + 3) & ~qsizetype{3};
        try {
            ring_ = base::Block(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(bands.rows) *
                                static_cast<std::size_t>(slots_));
        } catch (const std::bad_alloc&) {
            base::throwOutOfMemory(size.width(), static_cast<std::int64_t>(bands.rows) * slots_);
        }
        first_ = ring_.data();
    }
    // Where band b's first row goes.
    std::uint8_t* band(int b) const {
        return first_ + stride_ * (slots_ ? static_cast<qsizetype>(b % slots_) * bands_.rows : bands_.top(b));
    }
    qsizetype stride() const { return stride_; }
    QImage take() { return std::move(picture_); }

private:
    Bands bands_;
    int slots_;
    QImage picture_;
    base::Block ring_;
    std::uint8_t* first_ = nullptr;
    qsizetype stride_ = 0;
};

// The writer's side: a band encoded and its bytes to the file.
class Writing {
public:
    Writing(const Output& output, const Destination& destination)
        : output_(output), destination_(destination) {}

    void write(int b, int top, int bottom) {
        codecs::RowWriter& writer = *output_.writer;
        encoding([&] { writer.write(destination_.band(b), destination_.stride(), top, bottom - top); });
        if (output_.file) {
            encoding([&] {
                writer.drain([&](const std::uint8_t* bytes, std::size_t size) {
                    output_.file->write(reinterpret_cast<const char*>(bytes), static_cast<qint64>(size));
                });
            });
        }
    }

    void finish() {
        codecs::detail::Encoded rest;
        encoding([&] { rest = output_.writer->finish(); });
        if (output_.file)
            output_.file->write(reinterpret_cast<const char*>(rest.block.data()),
                                static_cast<qint64>(rest.size));
    }

private:
    // An encoder's bare reason becomes the failed save's message; the file's own errors already
    // name the file.
    template <typename F>
    void encoding(const F& f) {
        try {
            f();
        } catch (const base::Error& e) {
            throw base::Error(codecs::messages::writeFailed(output_.path, e.text()));
        }
    }

    const Output& output_;
    const Destination& destination_;
};

// The three stages' progress, each a count of bands, and the first failure.
class Progress {
public:
    // Waits until `ready()` or a failure; false on a failure.
    template <typename Ready>
    bool wait(const Ready& ready) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return error_ != nullptr || ready(); });
        return error_ == nullptr;
    }
    void set(int& counter, int value) {
        {
            const std::lock_guard lock(mutex_);
            counter = value;
        }
        changed_.notify_all();
    }
    int get(const int& counter) {
        const std::lock_guard lock(mutex_);
        return counter;
    }
    void fail(std::exception_ptr e) {
        {
            const std::lock_guard lock(mutex_);
            if (!error_) error_ = std::move(e);
        }
        changed_.notify_all();
    }
    std::exception_ptr error() {
        const std::lock_guard lock(mutex_);
        return error_;
    }

    int prepared = 0;  // bands whose rows the inputs hold
    int passed = 0;    // bands made
    int written = 0;   // bands encoded

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::exception_ptr error_;
};

// Joins a thread however the scope ends.
class Joined {
public:
    explicit Joined(std::thread& t) : t_(t) {}
    ~Joined() {
        if (t_.joinable()) t_.join();
    }
    Joined(const Joined&) = delete;
    Joined& operator=(const Joined&) = delete;

private:
    std::thread& t_;
};

}  // namespace

int bandRows(QSize size) {
    const int height = std::max(1, size.height());
    if (const int forced = forcedBandRows.load(std::memory_order_relaxed); forced > 0)
        return std::min(forced, height);
    const long long rowBytes = 3LL * std::max(1, size.width());
    return static_cast<int>(std::clamp<long long>(kBandBytes / rowBytes, 8, height));
}

ScopedBandRows::ScopedBandRows(int rows)
    : previous_(forcedBandRows.exchange(std::max(0, rows), std::memory_order_relaxed)) {}

ScopedBandRows::~ScopedBandRows() {
    forcedBandRows.store(previous_, std::memory_order_relaxed);
}

QImage run(const Stages& stages, const std::vector<codecs::RowReader*>& inputs, const Output& output) {
    const QSize size = stages.size();
    const int rows = bandRows(size);
    const Bands all{size.height(), rows, static_cast<int>((size.height() + rows - 1LL) / rows)};
    Destination destination(size, all, output.writer == nullptr);
    const qsizetype stride = destination.stride();
    Inputs in(stages, inputs, size.height());
    std::optional<Writing> writing;
    if (output.writer) writing.emplace(output, destination);

    if (base::workerCount() <= 1) {
        for (int b = 0; b < all.count; ++b) {
            in.release(all.top(b));
            in.prepare(all.top(b), all.bottom(b));
            stages.run(destination.band(b), stride, all.top(b), all.bottom(b));
            if (writing) writing->write(b, all.top(b), all.bottom(b));
        }
        in.drain();
    } else {
        Progress progress;
        std::thread reader([&] {
            try {
                for (int b = 0; b < all.count; ++b) {
                    if (!progress.wait([&] { return b < progress.passed + kAhead; })) return;
                    in.release(all.top(progress.get(progress.passed)));
                    in.prepare(all.top(b), all.bottom(b));
                    progress.set(progress.prepared, b + 1);
                }
                in.drain();
            } catch (...) {
                progress.fail(std::current_exception());
            }
        });
        const Joined joinReader(reader);
        std::thread writer;
        if (writing)
            writer = std::thread([&] {
                try {
                    for (int b = 0; b < all.count; ++b) {
                        if (!progress.wait([&] { return progress.passed > b; })) return;
                        writing->write(b, all.top(b), all.bottom(b));
                        progress.set(progress.written, b + 1);
                    }
                } catch (...) {
                    progress.fail(std::current_exception());
                }
            });
        const Joined joinWriter(writer);
        try {
            for (int b = 0; b < all.count; ++b) {
                if (!progress.wait(
                        [&] { return progress.prepared > b && (!writing || b < progress.written + kAhead); }))
                    break;
                stages.run(destination.band(b), stride, all.top(b), all.bottom(b));
                progress.set(progress.passed, b + 1);
            }
        } catch (...) {
            progress.fail(std::current_exception());
        }
        if (writer.joinable()) writer.join();
        reader.join();
        if (const std::exception_ptr e = progress.error()) std::rethrow_exception(e);
    }
    if (!writing) return destination.take();
    writing->finish();
    return {};
}

bool saveInBands(const QString& path, codecs::Format format, const codecs::WriteOptions& options,
                 const Stages& stages, const std::vector<codecs::RowReader*>& inputs) {
    std::unique_ptr<codecs::RowWriter> writer;
    try {
        writer = codecs::rowWriter(format, stages.size(), options);
    } catch (const base::Error& e) {
        throw base::Error(codecs::messages::writeFailed(path, e.text()));
    }
    if (!writer) return false;
    codecs::FileSave file(path);
    run(stages, inputs, Output{writer.get(), &file, path});
    file.commit();
    return true;
}

}  // namespace stream
