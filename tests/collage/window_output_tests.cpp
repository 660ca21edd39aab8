#include <tuple>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "codecs/codecs.h"
#include "window_fixture.h"

namespace {

using Choice = platform::Desktop::SaveChoice;

class Output : public KadrelWindow {
protected:
    // Two pieces: red 20 x 10 at (0, 0) and blue 10 x 10 at (20, 0).
    void SetUp() override {
        KadrelWindow::SetUp();
        addThroughDialog({picture("red.png.bmp", 20, 10, base::rgb(255, 0, 0)),
                          picture("blue.bmp", 10, 10, base::rgb(0, 0, 255))});
    }
    void saveAs(const QString& name, int filterIndex) {
        testsupport::fake().saveAnswers.push_back(Choice{dir.filePath(name), filterIndex});
        QTest::mouseClick(k->save, Qt::LeftButton);
    }
};

TEST_F(Output, SavesEachFormatWithItsExtensionForced) {
    saveAs(QStringLiteral("joined"), 2);
    EXPECT_EQ(testsupport::fake().lastStartPath, dir.filePath("blue"));
    EXPECT_EQ(testsupport::fake().lastFilterIndex, 2);
    EXPECT_EQ(testsupport::fake().lastFilters,
              QStringLiteral("JPEG|*.jpg|BMP|*.bmp|GIF|*.gif|PNG|*.png|WebP|*.webp"));
    const QImage bmp = codecs::readFile(dir.filePath("joined.bmp"), codecs::Format::Bmp);
    ASSERT_EQ(bmp.size(), QSize(30, 10));
    EXPECT_EQ(base::pixelAt(bmp, 0, 0), base::rgb(255, 0, 0));
    EXPECT_EQ(base::pixelAt(bmp, 25, 5), base::rgb(0, 0, 255));

    saveAs(QStringLiteral("joined.jpg"), 4);
    const QImage png = codecs::readFile(dir.filePath("joined.png"), codecs::Format::Png);
    EXPECT_EQ(base::pixelAt(png, 25, 5), base::rgb(0, 0, 255));
    EXPECT_EQ(k->saveFilterIndex(), 4);  // the dialog offers the last choice next time

    saveAs(QStringLiteral("joined"), 3);
    const QImage gif = codecs::readFile(dir.filePath("joined.gif"), codecs::Format::Gif);
    EXPECT_EQ(base::pixelAt(gif, 0, 0), base::rgb(255, 0, 0));  // pure red is a palette colour

    k->jpgq->setText(QStringLiteral("500"));  // brought into 1..100
    saveAs(QStringLiteral("joined.png"), 1);
    const QImage jpg = codecs::readFile(dir.filePath("joined.jpg"), codecs::Format::Jpeg);
    EXPECT_EQ(jpg.size(), QSize(30, 10));
    EXPECT_TRUE(testsupport::fake().errors().isEmpty());
}

// JPEG and PNG are composed a band at a time as they are written, and no composite stays behind;
// the files are those of the whole composite.
TEST_F(Output, BandedSavesWriteTheWholeCompositesFile) {
    k->fullkadrel();
    const QImage whole = k->composite();
    codecs::WriteOptions q90;
    q90.jpegQuality = 90;
    k->jpgq->setText(QStringLiteral("90"));
    for (const auto& [name, index, format] :
         {std::tuple{"a.jpg", 1, codecs::Format::Jpeg}, std::tuple{"a.png", 4, codecs::Format::Png},
          std::tuple{"a.bmp", 2, codecs::Format::Bmp}}) {
        saveAs(QString::fromLatin1(name), index);
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll() == codecs::encode(whole, format, q90)) << name;
        EXPECT_EQ(k->composite().isNull(), format != codecs::Format::Bmp) << name;
    }
    EXPECT_TRUE(testsupport::fake().errors().isEmpty());
}

TEST_F(Output, WebpIsTheFifthFormatLosslessAtQuality100AndLossyBelow) {
    saveAs(QStringLiteral("joined.png"), 5);
    const QImage webp = codecs::readFile(dir.filePath("joined.webp"), codecs::Format::Webp);
    ASSERT_EQ(webp.size(), QSize(30, 10));
    EXPECT_EQ(base::pixelAt(webp, 0, 0), base::rgb(255, 0, 0));
    EXPECT_EQ(base::pixelAt(webp, 25, 5), base::rgb(0, 0, 255));
    EXPECT_EQ(k->saveFilterIndex(), 5);

    k->jpgq->setText(QStringLiteral("50"));
    saveAs(QStringLiteral("small"), 5);
    QFile file(dir.filePath("small.webp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_GT(file.readAll().indexOf("VP8 "), 0);  // the lossy coder

    // A WebP piece makes the dialog offer WebP next time.
    addThroughDialog({dir.filePath("joined.webp")});
    EXPECT_EQ(k->saveFilterIndex(), 5);
    EXPECT_TRUE(testsupport::fake().errors().isEmpty());
}

TEST_F(Output, BadQualityWritesNothing) {
    k->jpgq->setText(QStringLiteral("good"));
    saveAs(QStringLiteral("q"), 1);
    EXPECT_EQ(testsupport::fake().errors(), QStringList{QStringLiteral("'good' は整数ではありません")});
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("q.jpg")));
}

TEST_F(Output, ForcedNameOfAnotherExistingFileAsksFirst) {
    const QString existing = testsupport::writeBytes(dir.filePath("old.bmp"), QByteArray("keep me"));
    testsupport::fake().confirmAnswers = {false};
    saveAs(QStringLiteral("old.jpg"), 2);
    ASSERT_EQ(testsupport::fake().texts(platform::FakeDesktop::Kind::Confirm).size(), 1);
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("keep me"));
}

// JPEG chosen and "join1.bmp" typed writes join1.jpg: the one question names join1.jpg and comes
// although no join1.bmp exists; a name typed with its own extension is asked about as well (the
// dialog itself asks nothing), and a new name is written without a question.
TEST_F(Output, OverwriteQuestionNamesTheFileReallyWritten) {
    using Kind = platform::FakeDesktop::Kind;
    const QString jpg = testsupport::writeBytes(dir.filePath("join1.jpg"), QByteArray("keep me"));
    testsupport::fake().confirmAnswers = {false};
    saveAs(QStringLiteral("join1.bmp"), 1);
    EXPECT_EQ(testsupport::fake().texts(Kind::Confirm),
              QStringList{
                  QStringLiteral("%1は既に存在します。上書きしますか？").arg(QDir::toNativeSeparators(jpg))});
    QFile kept(jpg);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
    kept.close();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("join1.bmp")));

    testsupport::fake().clear();
    testsupport::fake().confirmAnswers = {true};
    saveAs(QStringLiteral("join1.jpg"), 1);
    EXPECT_EQ(testsupport::fake().texts(Kind::Confirm).size(), 1);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.read(2), QByteArray("\xFF\xD8", 2));

    testsupport::fake().clear();
    saveAs(QStringLiteral("fresh"), 2);
    EXPECT_TRUE(testsupport::fake().texts(Kind::Confirm).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("fresh.bmp")));
}

TEST_F(Output, AFailedWriteKeepsTheOldFile) {
    const QString sub = dir.filePath("ro");
    QDir().mkpath(sub);
    const QString old = testsupport::writeBytes(sub + "/x.bmp", QByteArray("old"));
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    testsupport::fake().confirmAnswers = {true};  // replace x.bmp
    {
        const testsupport::Unprivileged user({dir.path(), sub, old});
        saveAs(QStringLiteral("ro/x"), 2);
    }
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(testsupport::fake().errors().size(), 1);
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old"));
}

TEST_F(Output, AMissingFolderIsReportedAndNothingIsWritten) {
    saveAs(QStringLiteral("no/such/folder/x"), 4);
    EXPECT_EQ(testsupport::fake().errors().size(), 1);
}

TEST_F(Output, WholeCopyPutsTheCompositeOnTheClipboard) {
    k->fullcopymenu->trigger();
    ASSERT_EQ(testsupport::fake().clipboard.size(), QSize(30, 10));
    EXPECT_EQ(base::pixelAt(base::toBgr(testsupport::fake().clipboard), 29, 9), base::rgb(0, 0, 255));
}

TEST_F(Output, PieceCopyThenPasteAddsAnOpaqueTopPiece) {
    k->pickn->setText(QString::number(0));
    k->picknExit();
    k->pickchange();
    QTest::mouseClick(k->intrans, Qt::LeftButton, {}, QPoint(5, 8));
    k->picLeft->setFocus();
    QTest::keyClick(k->picLeft, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(testsupport::fake().clipboard.size(), QSize(20, 10));
    k->picLeft->setFocus();
    const QString typed = k->picLeft->text();
    QTest::keyClick(k->picLeft, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(k->pieceCount(), 3);
    EXPECT_EQ(k->table().pieceRect(2), (collage::Rect{30, 0, 20, 10}));
    EXPECT_FALSE(k->pieceImage()[2]->transparent());
    EXPECT_TRUE(k->table().piece(2).pieceFile.isEmpty());
    EXPECT_EQ(k->saveFilterIndex(), 2);
    EXPECT_NE(k->picLeft->text(), typed + QStringLiteral("v"));
}

TEST_F(Output, PastingWithoutAPictureIsRefused) {
    testsupport::fake().clipboard = QImage();
    k->pastemanu->trigger();
    EXPECT_EQ(testsupport::fake().errors(), QStringList{QStringLiteral("未対応のクリップボード データです")});
    EXPECT_EQ(k->pieceCount(), 2);
}

TEST_F(Output, BackgroundColourAndTiledPicture) {
    testsupport::fake().colourAnswers.push_back(base::rgb(1, 2, 3));
    QTest::mouseClick(k->backcolor, Qt::LeftButton);
    EXPECT_EQ(base::pixelAt(k->backpattern->picture(), 99, 99), base::rgb(1, 2, 3));
    k->pickn->setText(QString::number(1));
    k->picknExit();
    k->pickchange();
    k->picTop->setFocus();
    k->picTop->setText(QStringLiteral("5"));
    QTest::keyClick(k->picTop, Qt::Key_Return);  // the canvas refits to 30 x 15
    k->fullkadrel();
    EXPECT_EQ(base::pixelAt(k->composite(), 0, 14), base::rgb(1, 2, 3));

    QImage tile = base::makeBgr(7, 4, base::rgb(9, 9, 9));
    base::setPixel(tile, 0, 0, base::rgb(200, 100, 50));
    const QString path = dir.filePath("TILE.Png");
    tile.save(path, "PNG");
    testsupport::fake().openAnswers.push_back({path});
    QTest::mouseClick(k->backpicture, Qt::LeftButton);
    EXPECT_EQ(base::pixelAt(k->backpattern->picture(), 0, 0), base::rgb(200, 100, 50));
    k->fullkadrel();
    EXPECT_EQ(base::pixelAt(k->composite(), 0, 12), base::rgb(200, 100, 50));
    EXPECT_EQ(base::pixelAt(k->composite(), 1, 12), base::rgb(9, 9, 9));

    const QString odd = testsupport::writeBytes(dir.filePath("bg.tiff"), QByteArray("x"));
    testsupport::fake().openAnswers.push_back({odd});
    QTest::mouseClick(k->backpicture, Qt::LeftButton);
    EXPECT_EQ(testsupport::fake().errors(),
              QStringList{QStringLiteral("拡張子 .tiff の画像形式は処理できません")});
}

}  // namespace
