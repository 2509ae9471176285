#pragma once
// SDialogStyles: the window style names a dialog description may use in its STYLE and
// EXSTYLE keys, per record type. WS_VISIBLE and WS_DISABLED are known to every type; each
// type adds its own names. Every name stands for the value of the Windows headers.
#include <cstdint>

#include "core/SString.h"

class SDialogStyles {
public:
    // The OR of the names of the space-separated list that the type knows; unknown names add
    // nothing. Names are matched exactly (case-sensitive).
    static uint32_t Parse(int type, const SString& text);

    // The names of the type whose bits are all in value, each followed by one space, in table
    // order: the WS_EX_ names for an extended style, WS_VISIBLE, WS_DISABLED and the
    // type's other names otherwise.
    static SString Format(int type, uint32_t value, bool extended);
};
