#include <sys/resource.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "cli_test_util.h"

using namespace clitest;

namespace {

// Command lines that cannot be run: status 2, a message, and nothing read or written. "IN" is
// replaced by a real picture, "OUT" by a path in the test's folder.
struct Refused {
    const char* name;
    std::vector<const char*> args;
    const char* says;
};

class RefusedLine : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedLine, ExitsWithTwoAndWritesNothing) {
    QTemporaryDir dir;
    const QString in = save(dir, QStringLiteral("in.png"), picture(4, 3, kRed));
    const QString out = dir.filePath(QStringLiteral("out"));
    QStringList args;
    for (const char* a : GetParam().args) {
        QString arg = QString::fromUtf8(a);
        arg.replace(QStringLiteral("IN"), in).replace(QStringLiteral("OUT"), out);
        args << arg;
    }
    const Outcome o = runCli(args);
    EXPECT_EQ(o.status, 2) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(QString::fromUtf8(GetParam().says))) << o.err.toStdString();
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("in.png")});
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RefusedLine,
    ::testing::Values(
        Refused{"NoCommand", {}, "no command"}, Refused{"UnknownCommand", {"frobnicate"}, "unknown command"},
        Refused{"HelpOfUnknownCommand", {"help", "frobnicate"}, "unknown command"},
        Refused{"UnknownOption", {"join", "-o", "OUT.png", "--bogus", "IN"}, "unknown option '--bogus'"},
        Refused{"QualityZero", {"join", "-o", "OUT.jpg", "--quality", "0", "IN"}, "--quality"},
        Refused{"QualityOverHundred", {"join", "-o", "OUT.jpg", "--quality=101", "IN"}, "--quality"},
        Refused{"QualityNotANumber", {"join", "-o", "OUT.jpg", "--quality", "high", "IN"}, "whole number"},
        Refused{"QualityWithoutValue", {"join", "-o", "OUT.jpg", "IN", "--quality"}, "needs a value"},
        Refused{"ValueThatIsAnOption", {"join", "-o", "--canvas", "10x10", "IN"}, "needs a value"},
        Refused{"FlagWithValue", {"join", "-o", "OUT.png", "--keep-inside=yes", "IN"}, "takes no value"},
        Refused{"MalformedCanvas", {"join", "-o", "OUT.png", "--canvas", "10x", "IN"}, "WxH"},
        Refused{"EmptyCanvas", {"join", "-o", "OUT.png", "--canvas", "0x10", "IN"}, "WxH"},
        Refused{"SignedScreen", {"join", "-o", "OUT.png", "--screen", "-5x10", "IN"}, "WxH"},
        Refused{"BadHexColour", {"join", "-o", "OUT.png", "--background", "GG0000", "IN"}, "RRGGBB"},
        Refused{"ShortHexColour", {"join", "-o", "OUT.png", "--background", "12345", "IN"}, "RRGGBB"},
        Refused{"TwoBackgrounds",
                {"join", "-o", "OUT.png", "--background", "000000", "--background-picture", "IN", "IN"},
                "exclude"},
        Refused{"NoInputFiles", {"join", "-o", "OUT.png"}, "no input files"},
        Refused{"NoOutput", {"join", "IN"}, "-o OUT"},
        Refused{
            "UnwritableExtension", {"join", "-o", "OUT.tif", "IN"}, ".jpg, .jpeg, .bmp, .gif, .png or .webp"},
        Refused{"ReduceToBitmap", {"reduce", "IN", "OUT.bmp"}, ".gif or .png"},
        Refused{"ReduceOneOperand", {"reduce", "IN"}, "IN and OUT"},
        Refused{"ResizeWithoutSize", {"resize", "IN", "OUT.png"}, "--size"},
        Refused{"ResizeKeyWithoutTransparency",
                {"resize", "IN", "OUT.png", "--size", "2x2", "--key", "FF0000"},
                "--key needs --transparent"},
        Refused{
            "ResizeFillNotANumber", {"resize", "IN", "OUT.png", "--size", "2x2", "--fill", "half"}, "--fill"},
        Refused{"RotateWithoutAngle", {"rotate", "IN", "OUT.png"}, "--degrees"},
        Refused{"RotateAngleNotANumber", {"rotate", "IN", "OUT.png", "--degrees", "ninety"}, "whole number"},
        Refused{"RotateBadGap", {"rotate", "IN", "OUT.png", "--degrees", "9", "--gap", "#FFFFFF"}, "RRGGBB"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Failures, MissingInputNamesTheFileAndLeavesNoOutput) {
    QTemporaryDir dir;
    const QString good = save(dir, QStringLiteral("good.png"), picture(2, 2, kRed));
    const QString missing = dir.filePath(QStringLiteral("missing.png"));
    const QString out = dir.filePath(QStringLiteral("out.png"));
    for (const QStringList& args :
         {QStringList{QStringLiteral("join"), QStringLiteral("-o"), out, good, missing},
          QStringList{QStringLiteral("join"), QStringLiteral("-o"), out,
                      QStringLiteral("--background-picture"), missing, good},
          QStringList{QStringLiteral("reduce"), missing, out},
          QStringList{QStringLiteral("resize"), missing, out, QStringLiteral("--size"),
                      QStringLiteral("4x4")},
          QStringList{QStringLiteral("rotate"), missing, out, QStringLiteral("--degrees"),
                      QStringLiteral("9")}}) {
        const Outcome o = runCli(args);
        EXPECT_EQ(o.status, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(o.err.contains(QStringLiteral("missing.png"))) << o.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

TEST(Failures, FailedWriteNamesTheOutputAndKeepsAnOldFile) {
    QTemporaryDir dir;
    const QString good = save(dir, QStringLiteral("good.png"), picture(2, 2, kRed));
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/out.png"));
    Outcome o = runCli({QStringLiteral("join"), QStringLiteral("-o"), nowhere, good});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("out.png"))) << o.err.toStdString();

    // A failing join does not touch the file it would have replaced.
    const QString old = save(dir, QStringLiteral("old.png"), picture(7, 7, kBlue));
    o = runCli(
        {QStringLiteral("join"), QStringLiteral("-o"), old, good, dir.filePath(QStringLiteral("gone.bmp"))});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(load(old).size(), QSize(7, 7));
}

TEST(Help, DocumentsEveryOptionOfEachCommand) {
    const std::vector<std::pair<QString, QStringList>> commands = {
        {QStringLiteral("join"),
         {"-o", "--output", "--canvas", "--screen", "--keep-inside", "--background", "--background-picture",
          "--transparent", "--quality", "--help"}},
        {QStringLiteral("reduce"), {"--help"}},
        {QStringLiteral("resize"), {"--size", "--transparent", "--key", "--fill", "--quality", "--help"}},
        {QStringLiteral("rotate"),
         {"--degrees", "--hundredths", "--gap", "--blend-border", "--transparent", "--key", "--fill",
          "--quality", "--help"}},
    };
    const Outcome all = runCli({QStringLiteral("--help")});
    EXPECT_EQ(all.status, 0);
    EXPECT_TRUE(all.err.isEmpty());
    for (const auto& [command, options] : commands) {
        EXPECT_TRUE(all.out.contains(command));
        // Help wins over a half-written line.
        const Outcome o = runCli({command, QStringLiteral("--bogus"), QStringLiteral("--help")});
        EXPECT_EQ(o.status, 0) << command.toStdString();
        EXPECT_EQ(runCli({QStringLiteral("help"), command}).out, o.out);
        for (const QString& option : options)
            EXPECT_TRUE(o.out.contains(option)) << command.toStdString() << " " << option.toStdString();
    }
}

// The executable itself: its start-up and its exit statuses.
class Executable : public ::testing::Test {
protected:
    int exitOf(const QStringList& args, QString* err = nullptr, rlim_t fileSizeLimit = RLIM_INFINITY) {
        QProcess p;
        p.setChildProcessModifier([fileSizeLimit] {
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = fileSizeLimit;
            setrlimit(RLIMIT_FSIZE, &limit);
        });
        p.start(QStringLiteral(KADREL_CLI_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        if (err) *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QTemporaryDir dir;
};

TEST_F(Executable, ExitStatusSaysWhatHappened) {
    const QString in = save(dir, QStringLiteral("in.png"), picture(6, 4, kRed));
    const QString gif = dir.filePath(QStringLiteral("out.gif"));
    EXPECT_EQ(exitOf({QStringLiteral("--help")}), 0);
    EXPECT_EQ(exitOf({QStringLiteral("join"), QStringLiteral("-o"), gif, in, in}), 0);
    EXPECT_EQ(load(gif).size(), QSize(12, 4));
    QString err;
    EXPECT_EQ(exitOf({QStringLiteral("reduce"), dir.filePath(QStringLiteral("absent.png")), gif}, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("absent.png"))) << err.toStdString();
    EXPECT_EQ(exitOf({QStringLiteral("join"), QStringLiteral("--quality"), QStringLiteral("0"),
                      QStringLiteral("-o"), gif, in}),
              2);
}

// A file-size limit (ulimit -f) makes the write fail with its message and status 1, not a silent
// death by signal; the file it would have replaced stays.
TEST_F(Executable, FileSizeLimitIsAFailedWrite) {
    const QString in = save(dir, QStringLiteral("in.bmp"), picture(200, 200, kRed));
    const QString out = save(dir, QStringLiteral("out.bmp"), picture(3, 3, kBlue));
    QString err;
    EXPECT_EQ(exitOf({QStringLiteral("join"), QStringLiteral("-o"), out, in}, &err, 4096), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("out.bmp"))) << err.toStdString();
    EXPECT_EQ(load(out).size(), QSize(3, 3));
}

}  // namespace
