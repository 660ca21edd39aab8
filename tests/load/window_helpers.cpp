#include "window_helpers.h"

#include <QTest>

#include "base/image.h"
#include "codecs/codecs.h"
#include "test_support.h"

namespace loadtest {

QImage pattern(int w, int h) {
    QImage img = base::makeBgr(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            base::setPixel(
                img, x, y,
                base::rgb(static_cast<std::uint8_t>(x * 5), static_cast<std::uint8_t>(y * 9), 0x80));
    return img;
}

void CutEditor::SetUp() {
    testsupport::resetFake();
    testsupport::fake().openCalls = 0;
    testsupport::fake().saveCalls = 0;
    editor = std::make_unique<load::Tloadcut>(testsupport::fake());
    editor->ctrlHeld = [this] { return ctrl; };
    editor->show();
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    ASSERT_TRUE(dir.isValid());
}

void CutEditor::TearDown() {
    editor.reset();
}

QString CutEditor::writeFile(const QString& name, const QImage& picture) {
    const QString path = dir.filePath(name);
    const QString ext = codecs::extensionOf(name).toLower();
    if (ext == u".ico") {
        EXPECT_TRUE(picture.save(path, "ICO"));
    } else {
        const codecs::Format f = codecs::formatByExtension(name);
        codecs::writeFile(
            path, f == codecs::Format::Gif ? picture.convertToFormat(QImage::Format_Indexed8) : picture, f);
    }
    return path;
}

void CutEditor::typeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QString CutEditor::edits() const {
    const load::Tloadcut& e = *editor;
    return QStringLiteral("%1 %2 %3 | %4 %5 %6")
        .arg(e.edgexl->text(), e.sizex->text(), e.edgexr->text(), e.edgeyu->text(), e.sizey->text(),
             e.edgeyb->text());
}

}  // namespace loadtest
