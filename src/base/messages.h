#pragma once

#include <cstdint>

#include <QString>

// The texts of the base unit's errors, which every other unit's messages build on.
namespace base::messages {

// A picture size outside the budget: "画像が大きすぎるか空です (w × h)。…". `height` may be a
// value no integer holds (a size made by a ratio); it is shown rounded.
QString pictureSize(std::int64_t width, std::int64_t height);
QString pictureSize(double width, double height);
// An allocation that failed, with the size asked for when there is one.
QString outOfMemory();
QString outOfMemory(std::int64_t width, std::int64_t height);
// What the default error handler shows for an error that carries no text of ours.
QString unexpectedError();
// "'text' は整数ではありません".
QString notAnInteger(const QString& text);
// A computed value that no integer holds.
QString numberOutOfRange(double value);

}  // namespace base::messages
