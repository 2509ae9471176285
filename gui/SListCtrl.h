#pragma once
// SListCtrl: an owner-drawn list box whose entries are item objects (text, two image indexes,
// a data value) that the list owns. Entries stay in the order they are added.
#include <cstdint>

#include "core/SStringArray.h"
#include "gui/SMessages.h"
#include "gui/SWnd.h"

class SListCtrl : public SWnd {
public:
    struct _SItem {
        SString text;
        int32_t left;
        int32_t right;
        uint32_t data;
    };

    SListCtrl();
    ~SListCtrl() override;
    static constexpr UINT kMsgMouse = SMessages::kListMouse;
    static constexpr UINT kMsgDoubleClick = SMessages::kListDoubleClick;

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    HBRUSH OnCtlColorListBox(HDC dc) override;

    // The new entry's index, or -1 (no window, or refused by the list box).
    int AddString(const char* text, int index = -1, int left = -1, int right = -1,
                  uint32_t data = 0);
    // Adds every text, appended (position -1) or inserted from position; the count added.
    int AddStrings(const SStringArray* strings, int position = -1, int left = -1, int right = -1,
                   uint32_t data = 0);
    int GetCount() const;
    SString GetString(int index) const;
    void Clear();
    void SetSelectionColors(uint32_t background, uint32_t text);

    // Owner-draw requests, which the list box sends to its parent.
    void MeasureItem(MEASUREITEMSTRUCT* measure);
    void DrawItem(const DRAWITEMSTRUCT* draw);

private:
    struct _SBatch;
    int AddBatch(const _SBatch& batch);
    void DeleteItems();

    uint32_t selectionBack = kSystemColor + COLOR_HIGHLIGHT;
    uint32_t selectionText = kSystemColor + COLOR_HIGHLIGHTTEXT;
    int itemMargin = 1;
    HBRUSH brush = nullptr;
    HFONT measuredFont = nullptr;  // the font of measuredHeight
    UINT measuredHeight = 0;       // a line's height, 0 until measured
};
