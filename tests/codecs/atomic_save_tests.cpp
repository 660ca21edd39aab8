#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(SaveBytes, ReplacesTheFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bmp"));
    codecs::saveBytes(path, QByteArray(5000, 'x'));
    codecs::saveBytes(path, QByteArray("short"));
    EXPECT_EQ(contentOf(path), QByteArray("short"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.bmp")});
}

TEST(SaveBytes, MissingFolderThrowsNamingTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no/such/folder/a.png"));
    const QString text = codectest::errorOf([&] { codecs::saveBytes(path, QByteArray("data")); });
    EXPECT_TRUE(text.startsWith(QStringLiteral("ファイル「%1」に書き込めません: ").arg(path)))
        << text.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

TEST(SaveBytes, ReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; the size-limit test covers this";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.jpg"));
    codecs::saveBytes(path, QByteArray("old"));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_NE(codectest::errorOf([&] { codecs::saveBytes(path, QByteArray("new")); }),
              QStringLiteral("no error"));
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(contentOf(path), QByteArray("old"));
}

// A write that fails half way leaves the old file untouched and no temporary file behind. The
// failure is a file-size limit of 4 KiB, as a full disk would stop the write; it is set in a forked
// child so that the limit and the ignored SIGXFSZ never reach the other tests.
struct HalfWay {
    const char* name;
    int bytes;       // the new content
    bool viaEncode;  // through writeFile() (a BMP of that many bytes) instead of saveBytes()
};

class SaveUnderASizeLimit : public testing::TestWithParam<HalfWay> {};

// Child's exit status: 0 refused with the file named, 1 reported success, 2 another message.
int saveInChild(const QString& path, const HalfWay& c) {
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small{};
        getrlimit(RLIMIT_FSIZE, &small);
        small.rlim_cur = 4096;
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) _exit(3);
        const QString text = codectest::errorOf([&] {
            if (c.viaEncode)
                codecs::writeFile(path, base::makeBgr(c.bytes / 3 / 64, 64, 0x123456), codecs::Format::Bmp);
            else
                codecs::saveBytes(path, QByteArray(c.bytes, 'n'));
        });
        if (text == QStringLiteral("no error")) _exit(1);
        _exit(text.startsWith(QStringLiteral("ファイル「%1」に書き込めません: ").arg(path)) ? 0 : 2);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST_P(SaveUnderASizeLimit, KeepsTheOldFileAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.png"));
    codecs::saveBytes(path, QByteArray("old picture"));
    EXPECT_EQ(saveInChild(path, GetParam()), 0);
    EXPECT_EQ(contentOf(path), QByteArray("old picture"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("picture.png")});
}

// 1 MiB fails in write(); 10 KiB fits Qt's write buffer, so it fails only when commit() flushes.
INSTANTIATE_TEST_SUITE_P(Writes, SaveUnderASizeLimit,
                         testing::Values(HalfWay{"LargeWrite", 1 << 20, false},
                                         HalfWay{"FailingAtCommit", 10 * 1024, false},
                                         HalfWay{"JustOverTheLimit", 4097, false},
                                         HalfWay{"EncodedPicture", 200 * 1024, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(WriteFile, EncodingFailureWritesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.gif"));
    codecs::saveBytes(path, QByteArray("old"));
    EXPECT_NE(codectest::errorOf([&] { codecs::writeFile(path, QImage(), codecs::Format::Gif); }),
              QStringLiteral("no error"));
    EXPECT_EQ(contentOf(path), QByteArray("old"));
}

}  // namespace
