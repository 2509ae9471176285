#pragma once
// SControlFactory: makes, creates and configures the control of one dialog description
// record. The dialog may supply its own object for a type (SWndDialog::NewControl);
// otherwise the type's standard class is made.
#include "gui/SDialogEditor_SCtrl.h"
#include "gui/SWnd.h"

class SWndDialog;

class SControlFactory {
public:
    // The created control, owned by the caller from then on, or null when its window could
    // not be made. keepVisible false drops WS_VISIBLE (and makes an edit multi-line).
    static SWnd* CreateControlFromRecord(SWndDialog* dialog, HWND parent,
                                         const SDialogEditor::_SCtrl& record, void* archive,
                                         bool keepVisible);
};
