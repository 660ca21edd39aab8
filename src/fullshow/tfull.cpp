#include "fullshow/tfull.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "fullshow/preview_rect.h"
#include "platform/desktop.h"
#include "platform/guard.h"

namespace fullshow {

Tfull::Tfull(platform::Desktop& desktop, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), desktop_(desktop) {
    setObjectName(QStringLiteral("full"));
    setWindowTitle(QStringLiteral("プレビュー"));
    // Painted whole in paintEvent, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    platform::runGuarded(desktop_, this, [this] { FormCreate(); });
}

Tfull::~Tfull() {
    restoreTaskbar();
}

void Tfull::FormCreate() {
    setGeometry(QRect(QPoint(0, 0), desktop_.screenSize()));
}

void Tfull::showPicture(const QImage& picture) {
    platform::runGuarded(desktop_, this, [&] {
        const QSize screen = desktop_.screenSize();
        setGeometry(QRect(QPoint(0, 0), screen));
        destination_ = previewRect(picture.size(), screen);
        if (destination_.isEmpty())
            shown_ = QImage();
        else if (destination_.size() == picture.size())
            shown_ = picture;
        else
            shown_ = picture.scaled(destination_.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

        // Where the window system's screen is the one measured, ask for full screen as well, so
        // that panels the taskbar switch cannot reach still go beneath the preview.
        const QScreen* s = this->screen();
        if (s && s->geometry().size() == screen) setWindowState(windowState() | Qt::WindowFullScreen);
        show();
        raise();
        activateWindow();
        setFocus(Qt::ActiveWindowFocusReason);
        update();
    });
}

void Tfull::FormShow() {
    desktop_.setTaskbarVisible(false);
    taskbarHidden_ = true;
}

void Tfull::FormClick() {
    close();
}

void Tfull::FormKeyPress(QKeyEvent* event) {
    // Keys that type nothing (arrows, function keys, lone modifiers) leave the preview open.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter || !event->text().isEmpty()) close();
}

void Tfull::FormClose() {
    restoreTaskbar();
}

void Tfull::restoreTaskbar() {
    if (!taskbarHidden_) return;
    taskbarHidden_ = false;
    desktop_.setTaskbarVisible(true);
}

void Tfull::paintEvent(QPaintEvent*) {
    // Drawn anew on every exposure, not only when opened.
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!shown_.isNull()) p.drawImage(destination_.topLeft(), shown_);
}

void Tfull::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) platform::runGuarded(desktop_, this, [this] { FormShow(); });
}

// Every way the window goes away (a click, a key, hide() from outside) gives the taskbar back.
void Tfull::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) platform::runGuarded(desktop_, this, [this] { FormClose(); });
}

void Tfull::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void Tfull::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) platform::runGuarded(desktop_, this, [this] { FormClick(); });
}

void Tfull::keyPressEvent(QKeyEvent* event) {
    platform::runGuarded(desktop_, this, [&] { FormKeyPress(event); });
}

}  // namespace fullshow
