#pragma once

#include <QImage>
#include <QString>

#include "base/colour.h"
#include "platform/fake_desktop.h"

namespace testsupport {

// The fake desktop every test executable installs before its tests run.
platform::FakeDesktop& fake();

// Clears the fake's records and scripts, and its clipboard.
void resetFake();

// A w x h BGR888 picture of one colour.
QImage solid(int w, int h, base::Colour c);

// The public conformance pictures, or an empty string when the folder is absent.
QString corpusDir();

// Writes bytes to a file, creating folders; returns the path.
QString writeBytes(const QString& path, const QByteArray& bytes);

}  // namespace testsupport
