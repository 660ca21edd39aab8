#pragma once

#include <initializer_list>

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "base/colour.h"

namespace clitest {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

// Runs one command line in-process, as the executable does.
Outcome runCli(const QStringList& args);

// A w x h picture of one colour, with some pixels set: {x, y, colour}.
struct Dot {
    int x, y;
    base::Colour colour;
};
QImage picture(int w, int h, base::Colour fill, std::initializer_list<Dot> dots = {});

// Writes `image` with our own writer chosen by the name's extension; returns the path.
QString save(const QTemporaryDir& dir, const QString& name, const QImage& image);

// Reads a written picture back with our own reader (BGR888).
QImage load(const QString& path);

inline constexpr base::Colour kRed = base::rgb(255, 0, 0);
inline constexpr base::Colour kGreen = base::rgb(0, 255, 0);
inline constexpr base::Colour kBlue = base::rgb(0, 0, 255);
inline constexpr base::Colour kBlack = base::rgb(0, 0, 0);
inline constexpr base::Colour kWhite = base::rgb(255, 255, 255);

}  // namespace clitest
