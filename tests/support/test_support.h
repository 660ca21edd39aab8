#pragma once

#include <map>

#include <QImage>
#include <QString>
#include <QStringList>

class QWidget;

#include "base/colour.h"
#include "platform/fake_desktop.h"

namespace testsupport {

// The fake desktop the tests hand to the windows they make.
platform::FakeDesktop& fake();

// Clears the fake's records and scripts, and its clipboard.
void resetFake();

// A w x h BGR888 picture of one colour.
QImage solid(int w, int h, base::Colour c);

// The public conformance pictures, or an empty string when the folder is absent.
QString corpusDir();

// Writes bytes to a file, creating folders; returns the path.
QString writeBytes(const QString& path, const QByteArray& bytes);

// Every edit of `window` is named in `widest` with the widest texts its range allows, and shows
// each of them whole in its own font, at a legible size (9 pixels or more).
void expectNumbersShown(QWidget* window, const std::map<QString, QStringList>& widest);

// While it lives, a process that runs as root (as CI does) has the rights of the unprivileged
// user "nobody", so that a read-only folder or file refuses a write as it does for a user; the
// paths in `owned` become that user's first. Root is given back at the end. A process that is
// not root keeps its rights.
class Unprivileged {
public:
    explicit Unprivileged(const QStringList& owned = {});
    ~Unprivileged();
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

private:
    bool dropped_ = false;
};

// Presses Tab from `first` until the focus comes round to it again, and checks that every
// enabled, shown control of `window` that Tab may reach was visited once, in reading order (row
// by row from the top, tops within 4 pixels sharing a row, left to right in a row).
void expectTabInReadingOrder(QWidget* window, QWidget* first);

}  // namespace testsupport
