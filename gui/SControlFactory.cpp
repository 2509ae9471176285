#include "gui/SControlFactory.h"

#include <commctrl.h>

#include "core/SStringArray.h"
#include "gui/SButtonCtrl.h"
#include "gui/SEditCtrl.h"
#include "gui/SLabelCtrl.h"
#include "gui/SListCtrl.h"
#include "gui/SProgressCtrl.h"
#include "gui/SSystem.h"

namespace {

using Record = SDialogEditor::_SCtrl;

// Types whose classes belong to other components become plain framework windows here: the
// updater's descriptions hold only buttons, edits, labels, lists and progress bars.
SWnd* MakeObject(int type) {
    switch (type) {
        case SDialogEditor::kTypeButton:
            return new SButtonCtrl;
        case SDialogEditor::kTypeEdit:
            return new SEditCtrl;
        case SDialogEditor::kTypeLabel:
            return new SLabelCtrl;
        case SDialogEditor::kTypeList:
            return new SListCtrl;
        case SDialogEditor::kTypeProgress:
            return new SProgressCtrl;
        default:
            return new SWnd;
    }
}

const char* SystemClass(int type) {
    switch (type) {
        case SDialogEditor::kTypeButton:
            return "BUTTON";
        case SDialogEditor::kTypeEdit:
            return "EDIT";
        case SDialogEditor::kTypeList:
            return "LISTBOX";
        case SDialogEditor::kTypeProgress:
            return PROGRESS_CLASSA;
        default:
            return nullptr;  // a framework window
    }
}

// The list box keeps item objects and the list paints them: never sorted, never holding
// strings of its own, entries of their own heights.
DWORD ListStyle(DWORD style) {
    style &= ~static_cast<DWORD>(LBS_SORT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS);
    return style | LBS_OWNERDRAWVARIABLE;
}

// "a | b | "c|d"": items split at bars outside double quotes, spaces around each trimmed.
void AddContent(SListCtrl* list, const SString& content) {
    if (content.GetLength() == 0) return;
    SStringArray items;
    const char* p = content.GetSafeText();
    const int length = content.GetLength();
    bool quoted = false;
    int start = 0;
    for (int at = 0; at <= length; ++at) {
        if (at < length && p[at] == '"') quoted = !quoted;
        if (at < length && (quoted || p[at] != '|')) continue;
        SString item;
        item.Set(p + start, at - start);
        item.Trim(-1, -1, true);
        items.Add(item.GetSafeText());
        start = at + 1;
    }
    list->AddStrings(&items, -1);
}

void ApplyKeys(SWnd* control, const Record& record) {
    switch (record.type) {
        case SDialogEditor::kTypeLabel: {
            SLabelCtrl* label = static_cast<SLabelCtrl*>(control);
            if (record.transparent) label->SetBackColor(SWnd::kTransparent);
            label->SetAlignment(
                SLabelCtrl::AlignmentFromKeys(record.GetProperty("LABEL_HALIGN").GetSafeText(),
                                              record.GetProperty("LABEL_VALIGN").GetSafeText()));
            break;
        }
        case SDialogEditor::kTypeProgress: {
            SProgressCtrl* progress = static_cast<SProgressCtrl*>(control);
            progress->SetRange(record.GetPropertyInt("PROGRESS_MINVALUE"),
                               record.GetPropertyInt("PROGRESS_MAXVALUE"));
            progress->SetPos(record.GetPropertyInt("PROGRESS_VALUE"));
            break;
        }
        case SDialogEditor::kTypeEdit: {
            SEditCtrl* edit = static_cast<SEditCtrl*>(control);
            if (record.GetPropertyBool("EDIT_NOPOPUPMENU")) edit->SetPopupMenu(false);
            if (record.GetPropertyBool("EDIT_SELECTALL")) edit->SelectAll();
            break;
        }
        case SDialogEditor::kTypeList: {
            SListCtrl* list = static_cast<SListCtrl*>(control);
            const SString back = record.GetProperty("LIST_SELBACKCOLOR");
            const SString text = record.GetProperty("LIST_SELTEXTCOLOR");
            list->SetSelectionColors(
                back.GetLength() ? SDialogEditor::ParseColour(back) : SWnd::kNoColor,
                text.GetLength() ? SDialogEditor::ParseColour(text) : SWnd::kNoColor);
            AddContent(list, record.GetProperty("LIST_CONTENT"));
            break;
        }
        default:
            break;
    }
}

}  // namespace

// Keys naming archive entries (EDIT_TEXT, LABEL_TEXT, LABEL_IMAGE, LIST_FILE) need an image
// archive; the updater builds its dialogs without one, so they are not read.
SWnd* SControlFactory::CreateControlFromRecord(SWnd* own, HWND parent, const Record& record,
                                               void* archive, bool keepVisible) {
    (void)archive;
    SWnd* control = own;
    const bool standard = !control;
    if (!control) control = MakeObject(record.type);
    DWORD style = record.style;
    if (!keepVisible) {
        style &= ~static_cast<DWORD>(WS_VISIBLE);
        if (record.type == SDialogEditor::kTypeEdit) style |= ES_MULTILINE;
    }
    if (!(style & WS_POPUP)) style |= WS_CHILD;
    if (record.type == SDialogEditor::kTypeList) style = ListStyle(style);
    const RECT rect = {record.x, record.y, record.x + record.width, record.y + record.height};
    const char* className = SystemClass(record.type);
    const bool created =
        className
            ? control->CreateControl(className, record.caption.GetSafeText(), style, record.exStyle,
                                     &rect, parent, record.id, 0, SSystem::GetInstance())
            : control->Create(record.caption.GetSafeText(), style, record.exStyle, &rect, parent,
                              record.id, 0, SSystem::GetInstance(), false);
    if (!created) {
        delete control;
        return nullptr;
    }
    // Scroll bars asked for are set again: the list box drops them for an empty list.
    if (record.type == SDialogEditor::kTypeList && (style & (WS_HSCROLL | WS_VSCROLL)))
        SetWindowLongA(
            control->GetHandle(), GWL_STYLE,
            GetWindowLongA(control->GetHandle(), GWL_STYLE) | (style & (WS_HSCROLL | WS_VSCROLL)));
    if (record.textColor != SWnd::kNoColor)
        control->SetTextColor(SWnd::ResolveColor(record.textColor));
    if (record.backColor != SWnd::kNoColor) {
        const uint32_t back = record.backColor == SWnd::kTransparent
                                  ? record.backColor
                                  : SWnd::ResolveColor(record.backColor);
        control->SetBackColor(back);
    }
    if (standard) ApplyKeys(control, record);
    return control;
}
