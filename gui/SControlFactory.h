#pragma once
// SControlFactory: makes, creates and configures the control of one dialog description
// record. The caller may hand in its own object for the record's type (a dialog's
// NewControl); otherwise the type's standard class is made.
#include "gui/SDialogEditor_SCtrl.h"
#include "gui/SWnd.h"

class SControlFactory {
public:
    // The created control, owned by the caller from then on, or null when its window could
    // not be made (own, when given, is then deleted). keepVisible false drops WS_VISIBLE (and
    // makes an edit multi-line).
    static SWnd* CreateControlFromRecord(SWnd* own, HWND parent,
                                         const SDialogEditor::_SCtrl& record, void* archive,
                                         bool keepVisible);
};
