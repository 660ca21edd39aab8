#pragma once

#include <QString>

namespace base {

// Whole number as the edits take it: leading blanks, an optional sign, then decimal digits or
// hexadecimal digits after "$", "x" or "0x". Anything else, or a value outside 32 bits, throws
// base::Error "'text' は整数ではありません".
int parseInt(const QString& text);

// The same, but returns false instead of throwing.
bool tryParseInt(const QString& text, int& value);

}  // namespace base
