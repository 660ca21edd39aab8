#include "base/number.h"

#include <cstdint>

#include "base/error.h"
#include "base/messages.h"

namespace base {

bool tryParseInt(const QString& text, int& value) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int radix = 10;
    if (i < n && text[i] == u'$') {
        radix = 16;
        ++i;
    } else if (i < n && (text[i] == u'x' || text[i] == u'X')) {
        radix = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        radix = 16;
        i += 2;
    }
    if (i >= n) return false;
    std::int64_t magnitude = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9') {
            digit = c - u'0';
        } else if (radix == 16 && c >= u'a' && c <= u'f') {
            digit = c - u'a' + 10;
        } else if (radix == 16 && c >= u'A' && c <= u'F') {
            digit = c - u'A' + 10;
        } else {
            return false;
        }
        magnitude = magnitude * radix + digit;
        if (magnitude > (std::int64_t{1} << 32)) return false;
    }
    std::int64_t v = negative ? -magnitude : magnitude;
    // Hexadecimal spells the 32-bit pattern, so $FFFFFFFF is -1.
    if (radix == 16 && !negative && v > INT32_MAX && v <= UINT32_MAX) v -= std::int64_t{1} << 32;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

int parseInt(const QString& text) {
    int value = 0;
    if (!tryParseInt(text, value)) throw Error(messages::notAnInteger(text));
    return value;
}

}  // namespace base
