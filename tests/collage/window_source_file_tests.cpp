#include <QAction>
#include <QFile>

#include "codecs/codecs.h"
#include "window_fixture.h"

namespace {

using Choice = platform::Desktop::SaveChoice;
using Kind = platform::FakeDesktop::Kind;

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Saving over the photo a piece or the background was read from asks a question of its own,
// whose default (an unscripted answer) keeps the photo; other files are asked about as before.
TEST_F(KadrelWindow, SavingOverTheSourcePhotoAsksWithNoAsTheDefault) {
    const QString photo = dir.filePath(QStringLiteral("a.jpg"));
    ASSERT_TRUE(base::makeBgr(20, 10, base::rgb(200, 30, 30)).save(photo, "JPG"));
    const QByteArray original = bytesOf(photo);
    addThroughDialog({photo});
    ASSERT_EQ(k->pieceCount(), 1);
    const QString question = QStringLiteral("「a.jpg」は画像パーツの元のファイルです。上書きしますか？");

    // The dialog proposes "a" with the JPEG filter; taking it writes a.jpg.
    auto& fake = testsupport::fake();
    fake.clear();
    fake.saveAnswers.push_back(Choice{dir.filePath(QStringLiteral("a")), 1});
    k->Savemenu->trigger();
    EXPECT_EQ(fake.texts(Kind::ConfirmDefaultNo), QStringList{question});
    EXPECT_TRUE(fake.texts(Kind::Confirm).isEmpty());
    EXPECT_EQ(bytesOf(photo), original);

    // The same file by another name is the same photo.
    const QString link = dir.filePath(QStringLiteral("link.jpg"));
    ASSERT_TRUE(QFile::link(photo, link));
    fake.clear();
    fake.saveAnswers.push_back(Choice{link, 1});
    k->Savemenu->trigger();
    EXPECT_EQ(fake.texts(Kind::ConfirmDefaultNo).size(), 1);
    EXPECT_EQ(bytesOf(photo), original);

    // A background picture's file as well; はい writes.
    const QString tile = picture(QStringLiteral("tile.bmp"), 3, 3, base::rgb(1, 2, 3));
    fake.openAnswers.push_back({tile});
    QTest::mouseClick(k->backpicture, Qt::LeftButton);
    fake.clear();
    fake.saveAnswers.push_back(Choice{tile, 2});
    fake.confirmAnswers = {true};
    k->Savemenu->trigger();
    EXPECT_EQ(fake.texts(Kind::ConfirmDefaultNo),
              QStringList{QStringLiteral("「tile.bmp」は画像パーツの元のファイルです。上書きしますか？")});
    EXPECT_EQ(codecs::readFile(tile, codecs::Format::Bmp).size(), QSize(20, 10));

    // Any other file that exists: the usual question.
    const QString other = picture(QStringLiteral("other.bmp"), 2, 2);
    fake.clear();
    fake.saveAnswers.push_back(Choice{other, 2});
    k->Savemenu->trigger();
    EXPECT_TRUE(fake.texts(Kind::ConfirmDefaultNo).isEmpty());
    EXPECT_EQ(fake.texts(Kind::Confirm).size(), 1);
    EXPECT_TRUE(fake.errors().isEmpty());
}

}  // namespace
