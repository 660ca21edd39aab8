#pragma once

#include <stdexcept>

#include <QString>

namespace base {

// The one error type handlers let travel: its text is what the user reads in the error box.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// The text to show for any exception that reached a guard.
QString messageOf(const std::exception& e);

}  // namespace base
