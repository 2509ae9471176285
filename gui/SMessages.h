#pragma once
// Every window message number of our own, in one place, so that no two can collide. All are
// sent, never posted, unless a comment says otherwise. The classes that send them give them
// their short names (SWnd::kMsgCreated, SListCtrl::kMsgMouse, ...), which the code uses.
#include "core/SWindows.h"

namespace SMessages {

// Window base: its own life and its children's notices.
constexpr UINT kCreated = 33769;        // lParam: creation parameter
constexpr UINT kParentResized = 33770;  // wParam: size type, lParam: parent
constexpr UINT kParentMoved = 33771;    // wParam: WM_MOVE's, lParam: parent
constexpr UINT kModalStart = 33772;     // non-zero answer refuses the run
constexpr UINT kModalEnter = 33773;     // ends a modal run with 0
constexpr UINT kModalCancel = 33774;    // ends a modal run with -1
constexpr UINT kFilesDropped = 33775;   // wParam: SStringArray* of paths
constexpr UINT kMaximised = 33776;
constexpr UINT kMinimised = 33777;
constexpr UINT kRestored = 33778;
constexpr UINT kLeftClick = 33782;  // mouse notices: wParam: the control
constexpr UINT kMiddleClick = 33783;
constexpr UINT kRightClick = 33784;
constexpr UINT kCaptureMove = 33796;  // wParam: capture mode, lParam: position
constexpr UINT kCaptureEnd = 33797;
constexpr UINT kCaptureLost = 33798;
constexpr UINT kKeyInChild = 34269;  // wParam: key, lParam: child SWnd*

// Worker threads, to the window of the thread that made them.
constexpr UINT kThreadNotify = 34778;   // wParam: code, lParam: pending SValue*
constexpr UINT kThreadRequest = 34779;  // wParam: code, lParam: pending SValue*
constexpr UINT kThreadEnded = 34780;    // the worker has finished

// Controls to their parents.
constexpr UINT kButtonMouse = 35778;
constexpr UINT kButtonClicked = 35779;  // wParam: the child SWnd*
constexpr UINT kCheckToggled = 35789;
constexpr UINT kSelectionChanged = 35808;
constexpr UINT kEditMouse = 35818;
constexpr UINT kTextEdited = 35819;
constexpr UINT kEditEnter = 35820;  // wParam: the edit
constexpr UINT kLabelMouse = 35858;
constexpr UINT kListMouse = 35889;
constexpr UINT kListDoubleClick = 35891;  // on a selected entry; wParam: the list
constexpr UINT kProgressMouse = 35948;
constexpr UINT kRadioChosen = 35969;

}  // namespace SMessages
