#pragma once

#include <optional>

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include "base/colour.h"

class QWidget;

namespace platform {

// What the windows need of the desktop. Each window is handed one when it is made: the program
// the Qt implementation, which outlives its windows; tests a scripted fake. Logic code never
// reaches this: only windows do.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Plain notice with one OK button and no icon.
    virtual void notice(QWidget* parent, const QString& text) = 0;
    // Yes/No without an icon, Yes the default, Esc answers No. True only for Yes.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // A question without an icon with `buttons` (captions with their & letters, which work without
    // Alt), `defaultButton` the default and Esc answering `escapeButton`; the index of the answer.
    virtual int ask(QWidget* parent, const QString& text, const QStringList& buttons, int defaultButton,
                    int escapeButton) = 0;
    // The same question where Yes would destroy something: No is the default, so Enter keeps it.
    virtual bool confirmDefaultNo(QWidget* parent, const QString& text) = 0;
    // The default error handler's box.
    virtual void error(QWidget* parent, const QString& text) = 0;

    // Open dialog; empty when cancelled. `filters` are "caption|patterns" pairs, as
    // "画像|*.bmp;*.jpg|全部|*.*"; `multi` allows several files.
    virtual QStringList openFiles(QWidget* parent, const QString& filters, const QString& startPath,
                                  bool multi) = 0;

    struct SaveChoice {
        QString path;
        int filterIndex = 1;  // 1-based, in the order of `filters`
    };
    // Save dialog; std::nullopt when cancelled. The dialog does not ask before overwriting: the
    // window asks about the file it will really write, whose extension may differ from the typed one.
    virtual std::optional<SaveChoice> saveFile(QWidget* parent, const QString& filters,
                                               const QString& startPath, int filterIndex) = 0;

    virtual std::optional<base::Colour> chooseColour(QWidget* parent, base::Colour initial) = 0;

    virtual QSize screenSize() = 0;

    virtual void setClipboardImage(const QImage& image) = 0;
    // The clipboard's picture, or a null image when it holds none; a picture over the budget
    // throws base::Error with the size message.
    virtual QImage clipboardImage() = 0;

    // Hides or shows a desktop taskbar, where the desktop has one the program may touch.
    virtual void setTaskbarVisible(bool visible) = 0;
    // Opens an address in the browser; false when that failed.
    virtual bool openUrl(const QString& url) = 0;
};

// Splits "caption|patterns|caption|patterns" into Qt's "caption (patterns)" filters.
QStringList qtFilters(const QString& filters);

}  // namespace platform
