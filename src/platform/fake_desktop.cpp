#include "platform/fake_desktop.h"

namespace platform {

void FakeDesktop::notice(QWidget*, const QString& text) {
    shown.push_back({Kind::Notice, text});
}

int FakeDesktop::ask(QWidget*, const QString& text, const QStringList&, int, int escapeButton) {
    shown.push_back({Kind::Question, text});
    if (askAnswers.empty()) return escapeButton;
    const int answer = askAnswers.front();
    askAnswers.pop_front();
    return answer;
}

bool FakeDesktop::confirm(QWidget*, const QString& text) {
    shown.push_back({Kind::Confirm, text});
    return answer();
}

bool FakeDesktop::confirmDefaultNo(QWidget*, const QString& text) {
    shown.push_back({Kind::ConfirmDefaultNo, text});
    return answer();
}

bool FakeDesktop::answer() {
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

void FakeDesktop::error(QWidget*, const QString& text) {
    shown.push_back({Kind::Error, text});
}

QStringList FakeDesktop::openFiles(QWidget*, const QString& filters, const QString& startPath, bool) {
    ++openCalls;
    lastFilters = filters;
    lastStartPath = startPath;
    if (openAnswers.empty()) return {};
    QStringList answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

std::optional<Desktop::SaveChoice> FakeDesktop::saveFile(QWidget*, const QString& filters,
                                                         const QString& startPath, int filterIndex) {
    ++saveCalls;
    lastFilters = filters;
    lastStartPath = startPath;
    lastFilterIndex = filterIndex;
    if (saveAnswers.empty()) return std::nullopt;
    // Swapped out rather than copied: GCC 12 at -O2 takes the copy for a read of uninitialised bytes.
    std::optional<SaveChoice> answer;
    answer.swap(saveAnswers.front());
    saveAnswers.pop_front();
    return answer;
}

std::optional<base::Colour> FakeDesktop::chooseColour(QWidget*, base::Colour) {
    if (colourAnswers.empty()) return std::nullopt;
    auto answer = colourAnswers.front();
    colourAnswers.pop_front();
    return answer;
}

bool FakeDesktop::openUrl(const QString& url) {
    openedUrls.push_back(url);
    return openUrlResult;
}

QStringList FakeDesktop::texts(Kind kind) const {
    QStringList out;
    for (const Shown& s : shown)
        if (s.kind == kind) out << s.text;
    return out;
}

void FakeDesktop::clear() {
    shown.clear();
    confirmAnswers.clear();
    askAnswers.clear();
    openAnswers.clear();
    saveAnswers.clear();
    colourAnswers.clear();
    openedUrls.clear();
    openUrlResult = true;
}

}  // namespace platform
