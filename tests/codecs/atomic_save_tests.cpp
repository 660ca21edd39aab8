#include <gtest/gtest.h>

#include <csignal>

#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "base/image.h"
#include "codec_test_util.h"
#include "codecs/codecs.h"
#include "test_support.h"

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
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.jpg"));
    codecs::saveBytes(path, QByteArray("old"));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    {
        const testsupport::Unprivileged user({dir.path(), path});
        EXPECT_NE(codectest::errorOf([&] { codecs::saveBytes(path, QByteArray("new")); }),
                  QStringLiteral("no error"));
    }
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(contentOf(path), QByteArray("old"));
}

struct stat statOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

// A name that leads to a device, a pipe or a socket, directly or through a link, is refused and
// the node stays: the device here is our own node for the null device, so a save that replaced it
// harms nothing.
TEST(SaveBytes, RefusesToReplaceAnythingButAFile) {
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
    ASSERT_EQ(mkfifo(fifo.constData(), 0644), 0);
    const QByteArray device = QFile::encodeName(dir.filePath(QStringLiteral("null")));
    const bool haveDevice = mknod(device.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    QStringList names{QStringLiteral("pipe"), QStringLiteral("to-pipe.png"), QStringLiteral("loop.png")};
    ASSERT_TRUE(QFile::link(QStringLiteral("pipe"), dir.filePath(QStringLiteral("to-pipe.png"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("loop.png"), dir.filePath(QStringLiteral("loop.png"))));
    if (haveDevice) {
        ASSERT_TRUE(QFile::link(QStringLiteral("null"), dir.filePath(QStringLiteral("to-null.png"))));
        names << QStringLiteral("null") << QStringLiteral("to-null.png");
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        const QString text = codectest::errorOf([&] { codecs::saveBytes(path, QByteArray("new")); });
        EXPECT_TRUE(
            text.startsWith(QStringLiteral("ファイル「%1」に書き込めません: ファイルではなく").arg(path)))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("は置き換えません"))) << text.toStdString();
    }
    EXPECT_TRUE(S_ISFIFO(statOf(QString::fromLocal8Bit(fifo)).st_mode));
    if (haveDevice) {
        EXPECT_TRUE(S_ISCHR(statOf(QString::fromLocal8Bit(device)).st_mode));
    }
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("to-pipe.png"))).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("loop.png"))).isSymLink());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden), before);
}

// Saving through a link replaces the file it points to; the link stays a link.
TEST(SaveBytes, ThroughALinkReplacesTheFileItPointsTo) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("photos")));
    const QString real = dir.filePath(QStringLiteral("photos/real.png"));
    codecs::saveBytes(real, QByteArray("old"));
    const QString link = dir.filePath(QStringLiteral("link.png"));
    ASSERT_TRUE(QFile::link(QStringLiteral("photos/real.png"), link));
    codecs::saveBytes(link, QByteArray("new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), QFileInfo(real).absoluteFilePath());
    EXPECT_EQ(contentOf(real), QByteArray("new"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{QStringLiteral("link.png")});
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("photos"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("real.png")});
}

// The replaced file keeps its permission bits (and, for root, its owner); a new file gets the
// usual mode the umask leaves. Read-only modes are replaced only by root.
TEST(SaveBytes, ReplacingKeepsTheModeOfTheOldFile) {
    QTemporaryDir dir;
    std::vector<mode_t> modes = {0644, 0600, 0640, 0664, 0604, 0755, 0700, 0620};
    if (geteuid() == 0) modes.insert(modes.end(), {0444, 0400, 0555, 0000});
    for (const mode_t mode : modes) {
        const QString path = dir.filePath(QStringLiteral("m%1.png").arg(mode, 0, 8));
        codecs::saveBytes(path, QByteArray("old"));
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
        codecs::saveBytes(path, QByteArray("new"));
        EXPECT_EQ(contentOf(path), QByteArray("new"));
        EXPECT_EQ(statOf(path).st_mode & 07777, mode) << std::oct << mode;
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    const QString fresh = dir.filePath(QStringLiteral("fresh.png"));
    codecs::saveBytes(fresh, QByteArray("new"));
    EXPECT_EQ(statOf(fresh).st_mode & 07777, 0666 & ~mask);

    if (geteuid() != 0) return;
    const QString given = dir.filePath(QStringLiteral("given.png"));
    codecs::saveBytes(given, QByteArray("old"));
    ASSERT_EQ(::chown(QFile::encodeName(given).constData(), 65534, 65534), 0);
    codecs::saveBytes(given, QByteArray("new"));
    EXPECT_EQ(statOf(given).st_uid, 65534u);
    EXPECT_EQ(statOf(given).st_gid, 65534u);
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
