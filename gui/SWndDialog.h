#pragma once
// SWndDialog: a window built from a dialog description. It owns one control per control
// record, keeps their ids, names and fonts in four parallel lists, and finds them by name.
// It receives the created message twice: before its controls exist and after.
#include <cstdint>

#include "core/SArray.h"
#include "core/SFile.h"
#include "core/SStringArray.h"
#include "gui/SDialogEditor_SCtrl.h"
#include "gui/SWnd.h"

class SWndDialog : public SWnd {
public:
    SWndDialog();
    ~SWndDialog() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A dialog class may supply its own object for a control type; null: the standard class.
    virtual SWnd* NewControl(uint16_t type);

    // Builds the window and its controls from the description in file; false when the object
    // already has a window, the description does not load, or a window cannot be made.
    [[nodiscard]] bool Create(SFile* file, HWND parent, void* archive, bool popup, LPARAM param);

    SWnd* FindControl(const char* name) const;  // exact, case-sensitive
    SWnd* GetControlById(uint32_t id) const;
    int IndexOf(const SWnd* control) const;
    int GetControlCount() const { return controls.GetCount(); }
    SWnd* GetControl(int i) const { return controls.GetAt(i); }
    void AddControl(SWnd* control, const SDialogEditor::_SCtrl& record);
    void Clear();  // hides the window, deletes the controls and their fonts

private:
    bool CreateControls(const SDialogEditor& editor, void* archive);
    void PlaceWindow(int clientWidth, int clientHeight);
    void RouteOwnerDraw(UINT message, LPARAM lParam);

    SArray<SWnd*> controls;
    SArray<uint32_t> identifiers;
    SStringArray names;
    SArray<HFONT> fonts;
};
