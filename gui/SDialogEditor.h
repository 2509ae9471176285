#pragma once
// SDialogEditor: the records of one dialog description, the text that the framework builds
// dialogs from. Load reads a description ("VELMOR DIALOG 1.0.0.0", then one record per
// window: the dialog first, then its controls); Save writes the records back in the layout
// that Load reads to the same records. Pure logic: no window is made here.
#include <cstdint>

#include "core/SArray.h"
#include "core/SFile.h"
#include "core/SString.h"
#include "core/SStringArray.h"

class SDialogEditor {
public:
    class _SCtrl;  // one record: gui/SDialogEditor_SCtrl.h

    // Control types: the position in the type table (GetTypeName).
    static constexpr int kTypeDialog = 0;
    static constexpr int kTypeButton = 2;
    static constexpr int kTypeEdit = 6;
    static constexpr int kTypeLabel = 11;
    static constexpr int kTypeList = 14;
    static constexpr int kTypeProgress = 18;
    static constexpr int kTypeTab = 27;
    static constexpr int kTypeWindow = 32;
    static constexpr int kTypeCount = 33;

    SDialogEditor();
    virtual ~SDialogEditor();
    SDialogEditor(const SDialogEditor&) = delete;
    SDialogEditor& operator=(const SDialogEditor&) = delete;

    // Replaces the records with those of the description in file; false (and no records)
    // for a missing file or a malformed description.
    [[nodiscard]] bool Load(SFile* file);
    // Writes the description; false for a missing file or a failed write.
    [[nodiscard]] bool Save(SFile* file) const;
    // Reads one record into record: bytes consumed, 0 for an unknown type, -1 for a key
    // line without "=" or a missing file.
    int ReadRecord(_SCtrl& record, SFile* file) const;
    bool WriteRecord(const _SCtrl& record, SFile* file) const;

    void Clear();
    void SetDialogRecord(const _SCtrl& record);
    // Appends a copy of record with an id and a name no other control has; the new
    // control's index, or -1 for a record of no known type.
    int AddControl(const _SCtrl& record);

    const _SCtrl* GetDialogRecord() const { return dialog; }  // null before a record is read
    int GetControlCount() const { return controls.GetCount(); }
    const _SCtrl* GetControl(int i) const;

    // The type table: "Dialog", "Button", ...; null outside it. FindType ignores case.
    static const char* GetTypeName(int type);
    static int FindType(const char* name, int length);

    static uint32_t ParseColour(const SString& text);
    static SString FormatColour(uint32_t value);
    static void ParseStyles(_SCtrl& record, const SString& text, bool extended);

private:
    bool TakeId(_SCtrl& control);
    bool TakeName(_SCtrl& control);
    bool IdUsed(uint32_t id) const { return (usedIds[id >> 5] >> (id & 31)) & 1; }

    _SCtrl* dialog;
    SArray<_SCtrl*> controls;
    SStringArray sortedNames;          // the controls' names, sorted, to test for a name fast
    uint32_t usedIds[65536 / 32];      // one bit per control id in use
    int lowestFreeId;                  // no free id below it: ids are never released
    int lowestFreeNumber[kTypeCount];  // the same for the numbers of type-named controls
};
