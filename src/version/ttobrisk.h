#pragma once

#include <QSize>
#include <QWidget>

#include "platform/desktop.h"

class QKeyEvent;
class QLabel;
class QPlainTextEdit;

namespace version {

// The width a line of the memo has before it wraps: inside the frame, the vertical scroll bar
// and the document's margins, less a pixel for the cursor.
int memoLineRoom(const QPlainTextEdit* memo);

// The help window "ヘルプ": twenty usage notes in an editable memo, the version, the credit
// and a link to the project's page. It is shown modeless and closing only hides it, so what the
// user typed into the notes stays until the program ends (it is never saved).
//
// Controls are public members, so that tests drive them as a user would, each with its member
// name as objectName.
class Ttobrisk : public QWidget {
    Q_OBJECT
public:
    // `desktop` outlives the window: the link opens through it.
    explicit Ttobrisk(platform::Desktop& desktop, QWidget* parent = nullptr);

    QPlainTextEdit* Memo1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Image1;

    // "ヘルプ" (F1) of the main window and of the cut editor: shows the window, or brings it
    // to the front when it is already shown; nothing in it is reset.
    void verClick();
    // Opens the project's page in the browser. A failure is not reported.
    void Label3Click();

    // Puts the window in the middle of a screen of that size (halves truncated), as the main
    // window does when it is first shown.
    void centreOn(QSize screen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();

    platform::Desktop& desktop_;
    bool linkPressed_ = false;
};

}  // namespace version
