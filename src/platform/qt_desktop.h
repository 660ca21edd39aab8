#pragma once

#include <functional>
#include <utility>

#include "platform/desktop.h"

class QMimeData;

namespace platform {

// The picture the clipboard's data holds, or a null image when it holds none. Qt's readers give
// a null image for a picture over their allocation limit too; such a picture throws base::Error
// with the size message a file of that size gets, not "no picture".
QImage clipboardPicture(const QMimeData* data);

class QtDesktop final : public Desktop {
public:
    void notice(QWidget* parent, const QString& text) override;
    bool confirm(QWidget* parent, const QString& text) override;
    int ask(QWidget* parent, const QString& text, const QStringList& buttons, int defaultButton,
            int escapeButton) override;
    bool confirmDefaultNo(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    QStringList openFiles(QWidget* parent, const QString& filters, const QString& startPath,
                          bool multi) override;
    std::optional<SaveChoice> saveFile(QWidget* parent, const QString& filters, const QString& startPath,
                                       int filterIndex) override;
    std::optional<base::Colour> chooseColour(QWidget* parent, base::Colour initial) override;
    QSize screenSize() override;
    void setClipboardImage(const QImage& image) override;
    QImage clipboardImage() override;
    void setTaskbarVisible(bool visible) override;
    bool openUrl(const QString& url) override;

    // Reads what Qt's own readers do not take from the clipboard (a null picture when there is
    // nothing it knows); the program gives it the codecs' reader.
    using ClipboardReader = std::function<QImage(const QMimeData&)>;
    void setClipboardReader(ClipboardReader reader) { clipboardReader_ = std::move(reader); }

private:
    ClipboardReader clipboardReader_;
};

}  // namespace platform
