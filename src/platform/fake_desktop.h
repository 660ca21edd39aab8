#pragma once

#include <deque>
#include <vector>

#include "platform/desktop.h"

namespace platform {

// A scripted desktop for tests: answers come from queues, everything shown is recorded.
// An unscripted question answers "No"/cancel, so a test never blocks.
class FakeDesktop final : public Desktop {
public:
    // ConfirmDefaultNo: a question whose default answer is No.
    enum class Kind { Notice, Confirm, ConfirmDefaultNo, Error, Question };
    struct Shown {
        Kind kind;
        QString text;
    };

    std::vector<Shown> shown;
    std::deque<bool> confirmAnswers;
    std::deque<int> askAnswers;  // an unscripted question answers its Esc button
    std::deque<QStringList> openAnswers;
    std::deque<std::optional<SaveChoice>> saveAnswers;
    std::deque<std::optional<base::Colour>> colourAnswers;

    // What the last open/save dialog was given.
    QString lastFilters;
    QString lastStartPath;
    int lastFilterIndex = 0;
    int openCalls = 0;
    int saveCalls = 0;

    QSize screen{1024, 768};
    QImage clipboard;
    bool taskbarVisible = true;
    std::vector<QString> openedUrls;
    bool openUrlResult = true;

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
    QSize screenSize() override { return screen; }
    void setClipboardImage(const QImage& image) override { clipboard = image; }
    QImage clipboardImage() override { return clipboard; }
    void setTaskbarVisible(bool visible) override { taskbarVisible = visible; }
    bool openUrl(const QString& url) override;

    // Texts shown of one kind, in order.
    QStringList texts(Kind kind) const;
    QStringList errors() const { return texts(Kind::Error); }
    QStringList notices() const { return texts(Kind::Notice); }
    void clear();

private:
    bool answer();  // the next scripted answer to a question, else No
};

}  // namespace platform
