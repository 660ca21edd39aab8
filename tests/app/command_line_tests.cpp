#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "app/command_line.h"
#include "app/wiring.h"
#include "base/image.h"
#include "codecs/codecs.h"
#include "test_support.h"
#include "version/help_text.h"

namespace {

app::StartRequest read(const QStringList& arguments) {
    return app::readCommandLine(QStringList{QStringLiteral("kadrel")} + arguments);
}

TEST(CommandLine, HelpAndVersionAnswerOnStandardOutputWhateverElseIsThere) {
    for (const QStringList& line :
         {QStringList{QStringLiteral("--help")}, QStringList{QStringLiteral("-h")},
          QStringList{QStringLiteral("a.png"), QStringLiteral("--help"), QStringLiteral("--bogus")}}) {
        const app::StartRequest r = read(line);
        EXPECT_EQ(r.exitCode, 0) << line.join(u' ').toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("使い方: kadrel [ファイル...]")));
        EXPECT_TRUE(r.err.isEmpty());
        EXPECT_TRUE(r.files.isEmpty());
    }
    for (const QString& option : {QStringLiteral("--version"), QStringLiteral("-v")}) {
        const app::StartRequest r = read({option});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, QStringLiteral("kadrel %1\n").arg(QStringLiteral(KADREL_VERSION)));
    }
}

TEST(CommandLine, UnknownOptionsEndWithStatusTwoAndAreNamed) {
    const app::StartRequest r = read({QStringLiteral("a.png"), QStringLiteral("--frobnicate")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(QStringLiteral("--frobnicate"))) << r.err.toStdString();
    EXPECT_TRUE(r.files.isEmpty());
    // A Qt option left on the line is one unknown word, never read as "-r -e -v ...": no version.
    EXPECT_EQ(read({QStringLiteral("-reverse")}).exitCode, 2);
    EXPECT_TRUE(read({QStringLiteral("-reverse")}).err.contains(QStringLiteral("-reverse")));
}

TEST(CommandLine, FilesComeAbsoluteInTheirOrder) {
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const app::StartRequest r = read(
        {QStringLiteral("b.png"), QStringLiteral("sub/a.jpg"), QStringLiteral("/abs/c.gif"),
         QStringLiteral("file:///abs/with%20space.bmp"), QStringLiteral("--"), QStringLiteral("--help")});
    QDir::setCurrent(before);
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_EQ(r.files, (QStringList{QDir(dir.path()).filePath(QStringLiteral("b.png")),
                                    QDir(dir.path()).filePath(QStringLiteral("sub/a.jpg")),
                                    QStringLiteral("/abs/c.gif"), QStringLiteral("/abs/with space.bmp"),
                                    QDir(dir.path()).filePath(QStringLiteral("--help"))}));
    EXPECT_TRUE(read({}).files.isEmpty());
    EXPECT_EQ(read({}).exitCode, -1);
}

// The desktop entry, the icon and the metainfo are named after the home page the help window shows.
TEST(CommandLine, ApplicationIdIsTheHomePageReversed) {
    const QStringList host = QUrl(version::homePage()).host().split(u'.');
    QStringList reversed(host.rbegin(), host.rend());
    EXPECT_TRUE(QStringLiteral(KADREL_APP_ID).startsWith(reversed.join(u'.') + u'.')) << KADREL_APP_ID;
}

// What the main window holds after files arrive one way or the other.
struct Outcome {
    std::vector<collage::Rect> rects;
    QStringList files;
    QStringList errors;
    QString openFileName;
    int pickIndex = 0;
    int piecesAfterOneUndo = 0;  // the files arrive as one step, as a drop's do
    bool operator==(const Outcome&) const = default;
};

class StartFiles : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::resetFake();
        testsupport::fake().screen = QSize(1024, 768);
    }
    QString picture(const QString& name, int w, int h) {
        const QString path = dir.filePath(name);
        codecs::writeFile(path, base::makeBgr(w, h, base::rgb(40, 90, 200)), codecs::pieceFormat(path));
        return path;
    }
    template <class Deliver>
    Outcome run(Deliver deliver) {
        testsupport::resetFake();
        testsupport::fake().screen = QSize(1024, 768);
        app::Windows windows(testsupport::fake());
        windows.kadrel.show();
        QApplication::processEvents();
        deliver(windows.kadrel);
        Outcome o;
        o.rects = windows.kadrel.table().rects();
        for (const collage::Piece& piece : windows.kadrel.table().slots()) o.files << piece.pieceFile;
        o.errors = testsupport::fake().errors();
        o.openFileName = windows.kadrel.openFileName();
        o.pickIndex = windows.kadrel.pickIndex();
        windows.kadrel.undomenu->trigger();
        o.piecesAfterOneUndo = windows.kadrel.pieceCount();
        return o;
    }
    static void drop(collage::Tkadrel& k, const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        QDropEvent event(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(&k)->event(&event);
        k.waitForLoading();
    }
    static void fromCommandLine(collage::Tkadrel& k, const QStringList& arguments) {
        const app::StartRequest request = read(arguments);
        ASSERT_EQ(request.exitCode, -1);
        app::addStartFiles(k, request.files);
        k.waitForLoading();
    }
    QTemporaryDir dir;
};

TEST_F(StartFiles, AddedInOrderExactlyAsADropOfThem) {
    const QStringList paths = {picture("wide.bmp", 700, 100), picture("tall.png", 200, 500),
                               picture("next.bmp", 300, 80)};
    const Outcome dropped = run([&](collage::Tkadrel& k) { drop(k, paths); });
    ASSERT_EQ(dropped.files, paths);
    ASSERT_TRUE(dropped.errors.isEmpty());

    // Named relative to the current folder, as a terminal user types them.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const Outcome opened = run([](collage::Tkadrel& k) {
        fromCommandLine(k,
                        {QStringLiteral("wide.bmp"), QStringLiteral("tall.png"), QStringLiteral("next.bmp")});
    });
    QDir::setCurrent(before);
    EXPECT_EQ(opened, dropped);
    EXPECT_EQ(opened.pickIndex, 2);
    EXPECT_EQ(opened.piecesAfterOneUndo, 0);
}

TEST_F(StartFiles, AnUnreadableFileIsNamedAndTheOthersAddedAsADropDoes) {
    const QString bad = testsupport::writeBytes(dir.filePath("bad.png"), QByteArray("not a picture"));
    const QStringList paths = {picture("first.bmp", 50, 50), bad, picture("later.bmp", 50, 50)};
    const Outcome dropped = run([&](collage::Tkadrel& k) { drop(k, paths); });
    const Outcome opened = run([&](collage::Tkadrel& k) { fromCommandLine(k, paths); });
    EXPECT_EQ(opened, dropped);
    EXPECT_EQ(opened.files, (QStringList{paths[0], paths[2]}));
    ASSERT_EQ(opened.errors.size(), 1);
    EXPECT_TRUE(opened.errors[0].contains(QStringLiteral("bad.png")));
}

}  // namespace
