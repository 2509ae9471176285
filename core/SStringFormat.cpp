// SString's formatting: printf-style texts and the numeric assignments built on them.
#include <cstdarg>
#include <cstdio>

#include "core/SString.h"

SString& SString::operator=(int value) {
    Format("%d", value);
    return *this;
}

SString& SString::operator=(unsigned value) {
    Format("%u", value);
    return *this;
}

// "%f" always writes six decimals; the zeros behind the last significant one are dropped.
SString& SString::operator=(double value) {
    Format("%f", value);
    if (Find('.') < 0) return *this;
    int end = length;
    while (text[end - 1] == '0') --end;
    if (text[end - 1] == '.') --end;
    Size(end, true);
    return *this;
}

// The run time measures the result first, so that one bounded write fills a buffer of the
// exact size. The result is written apart and copied in: an argument may be this string's
// own text. A conversion the run time cannot make gives the empty text.
void SString::Format(const char* format, ...) {
    if (!format) format = "";
    va_list arguments;
    va_start(arguments, format);
    va_list measure;
    va_copy(measure, arguments);
    const int needed = _vscprintf(format, measure);
    va_end(measure);
    SString result;
    result.Size(needed > 0 ? needed : 0, false);
    if (needed > 0) {
        const int written = _vsnprintf(result.text, needed + 1, format, arguments);
        result.Size(written >= 0 && written <= needed ? written : 0, true);
    }
    va_end(arguments);
    Set(result.text, result.length);
}
