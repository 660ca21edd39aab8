#include "version/ttobrisk.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

#include "platform/desktop.h"
#include "platform/guard.h"
#include "platform/widgets.h"
#include "version/help_text.h"

namespace version {

namespace {

constexpr QSize kClient{367, 307};

using platform::named;

// Three overlapping tiles, the program's job in a picture.
QPixmap emblem() {
    QPixmap pm(41, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(70, 140, 220));
    p.drawRect(1, 1, 18, 14);
    p.setBrush(QColor(240, 170, 40));
    p.drawRect(12, 6, 16, 16);
    p.setBrush(QColor(90, 190, 90));
    p.drawRect(23, 3, 16, 12);
    return pm;
}

// The memo takes typed and pasted text. What it is offered is checked here first: the toolkit's
// own paste reads the first format of the offer without asking whether there is one, and an
// empty clipboard (no program owns it, as after start under a bare window manager) offers none,
// so Ctrl+V crashed. Only text is taken; anything else is left alone.
class Memo final : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override {
        return source != nullptr && source->hasText();
    }
    void insertFromMimeData(const QMimeData* source) override {
        if (canInsertFromMimeData(source)) insertPlainText(source->text());
    }
};

}  // namespace

int memoLineRoom(const QPlainTextEdit* memo) {
    const int margins = 2 * static_cast<int>(std::ceil(memo->document()->documentMargin()));
    return memo->width() - 2 * memo->frameWidth() - memo->verticalScrollBar()->sizeHint().width() - margins -
           1;
}

Ttobrisk::Ttobrisk(platform::Desktop& desktop, QWidget* parent)
    : QWidget(parent, Qt::Tool), desktop_(desktop) {
    setObjectName(QStringLiteral("tobrisk"));
    setWindowTitle(QStringLiteral("ヘルプ"));
    buildControls();
    setFixedSize(kClient);
}

void Ttobrisk::buildControls() {
    Memo1 = named(new Memo(this), "Memo1");
    // Tab leaves the memo, as in every other window, rather than typing a tab.
    Memo1->setTabChangesFocus(true);
    Memo1->setGeometry(0, 0, 366, 246);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setPlainText(helpLines().join(QLatin1Char('\n')));
    // Each note stays on its line: the font is the largest, up to 12 pixels, at which the longest
    // fits the memo's width.
    Memo1->ensurePolished();
    QFont font = Memo1->font();
    for (int pixels = 12; pixels >= 8; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        const QStringList lines = helpLines();
        if (std::all_of(lines.begin(), lines.end(), [&](const QString& line) {
                return metrics.horizontalAdvance(line) <= memoLineRoom(Memo1);
            }))
            break;
    }
    Memo1->setFont(font);

    Label1 = named(new QLabel(versionText(), this), "Label1");
    Label1->setGeometry(8, 252, 150, 18);

    Label2 = named(new QLabel(creditText(), this), "Label2");
    Label2->setGeometry(200, 252, 160, 18);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Label3 = named(new QLabel(homePage(), this), "Label3");
    Label3->setGeometry(8, 278, 260, 18);
    platform::textColour(Label3, QPalette::WindowText, platform::kBlue);
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->installEventFilter(this);
    // The link is a stop of Tab too (underlined there); Enter or Space opens it.
    Label3->setFocusPolicy(Qt::TabFocus);
    Label3->setStyleSheet(QStringLiteral("QLabel:focus { text-decoration: underline; }"));

    Image1 = named(new QLabel(this), "Image1");
    Image1->setGeometry(318, 276, 41, 24);
    Image1->setPixmap(emblem());
}

void Ttobrisk::verClick() {
    platform::runGuarded(desktop_, this, [this] {
        show();
        raise();
        activateWindow();
    });
}

void Ttobrisk::Label3Click() {
    platform::runGuarded(desktop_, this, [this] {
        // The shell's answer is not checked: a missing browser is not the help window's to report.
        (void)desktop_.openUrl(homePage());
    });
}

void Ttobrisk::centreOn(QSize screen) {
    const QSize outer = frameGeometry().size();
    move((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
}

void Ttobrisk::keyPressEvent(QKeyEvent* event) {
    // Esc closes the window, from the memo too (it leaves that key unused).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool Ttobrisk::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label3) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                Label3Click();
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonPress) {
            linkPressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* m = static_cast<QMouseEvent*>(event);
            const bool click = linkPressed_ && m->button() == Qt::LeftButton &&
                               Label3->rect().contains(m->position().toPoint());
            linkPressed_ = false;
            if (click) Label3Click();
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace version
