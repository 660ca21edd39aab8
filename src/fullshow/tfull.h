#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include "platform/desktop.h"

class QCloseEvent;
class QHideEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QShowEvent;

namespace fullshow {

// The full-screen preview "プレビュー": a borderless black window over the whole screen showing
// one picture, unscaled and centred when it fits, otherwise scaled down smoothly to fit. A left
// click or any key that types a character (Enter, Esc and letters among them, but not arrows or
// function keys) closes it. The desktop taskbar is hidden while it is shown.
//
// Closing only hides the window; it lives as long as the program.
class Tfull : public QWidget {
    Q_OBJECT
public:
    // `desktop` outlives the window: the taskbar it hides is shown again when the window goes.
    explicit Tfull(platform::Desktop& desktop, QWidget* parent = nullptr);
    ~Tfull() override;

    // Shows `picture` (the composite the main window has just composed) and brings the
    // window up, modeless. A later call replaces the picture.
    void showPicture(const QImage& picture);

    // Where the picture lies in the window, and what is drawn there: the picture itself, or its
    // smoothly scaled copy.
    QRect destination() const { return destination_; }
    const QImage& shown() const { return shown_; }

    void FormCreate();
    void FormShow();
    void FormClick();
    void FormKeyPress(QKeyEvent* event);
    void FormClose();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void restoreTaskbar();

    platform::Desktop& desktop_;
    QImage shown_;
    QRect destination_;
    bool pressed_ = false;
    bool taskbarHidden_ = false;
};

}  // namespace fullshow
