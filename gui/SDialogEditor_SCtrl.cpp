#include "gui/SDialogEditor_SCtrl.h"

#include <cstring>

SDialogEditor::_SCtrl::_SCtrl() = default;

SDialogEditor::_SCtrl::~_SCtrl() = default;

int64_t SDialogEditor::_SCtrl::ReadNumber(const char* text, int length) {
    int at = 0;
    while (at < length && (text[at] == ' ' || text[at] == '\t')) ++at;
    bool negative = false;
    if (at < length && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    int64_t value = 0;
    for (; at < length && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > 0xFFFFFFFFLL) value = 0x100000000LL;  // held, so it cannot overflow
    }
    if (negative) return value > 0x80000000LL ? -0x80000000LL : -value;
    return value > 0xFFFFFFFFLL ? 0xFFFFFFFFLL : value;
}

// Properties lines end at every CR and every LF, except inside double quotes, which keep
// what they enclose (quotes included) in the line. A quote left open makes the whole text
// unreadable: every key of the record then reads as empty rather than as a guess.
SString SDialogEditor::_SCtrl::GetProperty(const char* key) const {
    SString found("");
    const char* text = properties.GetSafeText();
    const int length = properties.GetLength();
    const int keyLength = key ? static_cast<int>(strlen(key)) : 0;
    int valueStart = -1;
    int valueEnd = -1;
    bool quoted = false;
    int lineStart = 0;
    for (int at = 0; at <= length; ++at) {
        const bool end = at == length;
        if (!end && text[at] == '"') quoted = !quoted;
        if (!end && (quoted || (text[at] != '\r' && text[at] != '\n'))) continue;
        if (end && quoted) return found;
        if (valueStart < 0) {
            const char* line = text + lineStart;
            const void* equals = memchr(line, '=', at - lineStart);
            const int keyEnd =
                equals ? static_cast<int>(static_cast<const char*>(equals) - text) : -1;
            if (keyEnd - lineStart == keyLength && memcmp(line, key, keyLength) == 0) {
                valueStart = keyEnd + 1;
                valueEnd = at;
            }
        }
        lineStart = at + 1;
    }
    if (valueStart >= 0) found.Set(text + valueStart, valueEnd - valueStart);
    return found;
}

int SDialogEditor::_SCtrl::GetPropertyInt(const char* key) const {
    const SString value = GetProperty(key);
    return static_cast<int>(ReadNumber(value.GetSafeText(), value.GetLength()));
}

int SDialogEditor::_SCtrl::GetPropertyDrawMode(const char* key) const {
    static const char* const kModes[] = {
        "_DRAWTOPLEFT",     "_DRAWTOPCENTER",  "_DRAWTOPRIGHT",     "_DRAWMIDDLELEFT",
        "_DRAWMIDDLERIGHT", "_DRAWBOTTOMLEFT", "_DRAWBOTTOMCENTER", "_DRAWBOTTOMRIGHT",
        "_DRAWCENTER",      "_DRAWSTRETCH",    "_DRAWTILE",         "_DRAWFIT",
    };
    const SString value = GetProperty(key);
    for (int mode = 1; mode < static_cast<int>(sizeof kModes / sizeof kModes[0]); ++mode)
        if (value == kModes[mode]) return mode;
    return 0;
}

bool SDialogEditor::_SCtrl::operator==(const _SCtrl& other) const {
    return id == other.id && type == other.type && name == other.name && caption == other.caption &&
           fontFace == other.fontFace && fontSize == other.fontSize &&
           fontStyle == other.fontStyle && x == other.x && y == other.y && width == other.width &&
           height == other.height && locked == other.locked && isDialog == other.isDialog &&
           style == other.style && exStyle == other.exStyle && backColor == other.backColor &&
           textColor == other.textColor && transparent == other.transparent &&
           properties == other.properties;
}
