#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

// A write that fails half way (here: the process may not write files over 4 KiB, as a full disk
// would stop it) leaves the old file untouched and no temporary file behind.
TEST(SaveBytes, WriteFailingHalfWayKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.png"));
    codecs::saveBytes(path, QByteArray("old picture"));

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString text = codectest::errorOf([&] { codecs::saveBytes(path, QByteArray(1 << 20, 'n')); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_TRUE(text.startsWith(QStringLiteral("ファイル「%1」に書き込めません: ").arg(path)))
        << text.toStdString();
    EXPECT_EQ(contentOf(path), QByteArray("old picture"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("picture.png")});
}

TEST(WriteFile, EncodingFailureWritesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.gif"));
    codecs::saveBytes(path, QByteArray("old"));
    EXPECT_NE(codectest::errorOf([&] { codecs::writeFile(path, QImage(), codecs::Format::Gif); }),
              QStringLiteral("no error"));
    EXPECT_EQ(contentOf(path), QByteArray("old"));
}

}  // namespace
