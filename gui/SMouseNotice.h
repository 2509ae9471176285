#pragma once
// SMouseNotice: how the standard controls report mouse events to their parent: a record of
// five values (code, client x and y, screen x and y) whose address travels as lParam, with
// the control as wParam, in a message number of the control's class.
#include <cstdint>

#include "gui/SMessages.h"
#include "gui/SWnd.h"

class SMouseNotice {
public:
    // The framework's click notifications of the left, middle and right buttons.
    static constexpr UINT kMsgLeftClick = SMessages::kLeftClick;
    static constexpr UINT kMsgMiddleClick = SMessages::kMiddleClick;
    static constexpr UINT kMsgRightClick = SMessages::kRightClick;

    // A button bit (1 left, 2 middle, 4 right) plus an event bit (8 down, 16 up, 32 click,
    // 64 double click); 0 for a message that is no mouse event.
    static int CodeOf(UINT message);
    // Sends the notice to the control's parent when message is a mouse event.
    static void Report(SWnd* control, UINT notice, UINT message, LPARAM lParam);

    int32_t code;
    int32_t x, y;
    int32_t screenX, screenY;
};
