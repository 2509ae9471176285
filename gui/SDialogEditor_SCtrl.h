#pragma once
// SDialogEditor::_SCtrl: the record of one window of a dialog description, with the
// defaults of a record whose keys are all missing. Keys beyond the common eleven stay in
// the properties text, one "KEY=VALUE" line each, and are read with the GetProperty family.
#include <cstdint>

#include "core/SString.h"
#include "gui/SDialogEditor.h"
#include "gui/SWnd.h"

class SDialogEditor::_SCtrl {
public:
    _SCtrl();
    _SCtrl(const _SCtrl&) = default;
    _SCtrl& operator=(const _SCtrl&) = default;
    virtual ~_SCtrl();

    // The value behind the first "=" of the first properties line whose key is exactly key;
    // empty when there is none.
    SString GetProperty(const char* key) const;
    int GetPropertyInt(const char* key) const;
    bool GetPropertyBool(const char* key) const { return GetPropertyInt(key) != 0; }
    int GetPropertyDrawMode(const char* key) const;  // 0 (top left) to 11

    // The leading decimal number of a text (spaces and a sign may come first), 0 when there
    // is none; held within -2^31 .. 2^32 - 1 so that every 32-bit field reads back whole.
    static int64_t ReadNumber(const char* text, int length);

    bool operator==(const _SCtrl& other) const;
    bool operator!=(const _SCtrl& other) const { return !(*this == other); }

    uint16_t id = 0;
    int16_t type = -1;
    SString name;
    SString caption;
    SString fontFace;
    uint16_t fontSize = 0;
    uint32_t fontStyle = 0;
    int16_t x = 10;
    int16_t y = 10;
    int16_t width = 150;
    int16_t height = 150;
    bool locked = false;
    bool isDialog = false;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    uint32_t backColor = SWnd::kNoColor;
    uint32_t textColor = SWnd::kNoColor;
    bool transparent = false;
    SString properties;
};
