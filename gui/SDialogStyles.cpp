#include "gui/SDialogStyles.h"

#include <cstring>

#include "core/SWindows.h"
// After windows.h: the control style names.
#include <commctrl.h>
#include <richedit.h>

namespace {

struct StyleName {
    const char* name;
    uint32_t value;
};

#define STYLE(name) \
    { #name, static_cast < uint32_t>(name) }

// Known to every type, and written first.
const StyleName kEveryType[] = {STYLE(WS_VISIBLE), STYLE(WS_DISABLED)};

const StyleName kDialog[] = {
    STYLE(WS_BORDER),        STYLE(WS_CAPTION),    STYLE(WS_SYSMENU),       STYLE(WS_MAXIMIZEBOX),
    STYLE(WS_MINIMIZEBOX),   STYLE(WS_SIZEBOX),    STYLE(WS_EX_CLIENTEDGE), STYLE(WS_EX_STATICEDGE),
    STYLE(WS_EX_TOOLWINDOW), STYLE(WS_EX_TOPMOST),
};
const StyleName kButton[] = {
    STYLE(BS_LEFT), STYLE(BS_RIGHT),     STYLE(BS_CENTER),
    STYLE(BS_TOP),  STYLE(BS_BOTTOM),    STYLE(BS_VCENTER),
    STYLE(BS_FLAT), STYLE(BS_MULTILINE), STYLE(BS_DEFPUSHBUTTON),
};
const StyleName kGroup[] = {STYLE(BS_LEFT), STYLE(BS_RIGHT), STYLE(BS_CENTER)};
const StyleName kEdit[] = {
    STYLE(WS_BORDER),        STYLE(WS_HSCROLL),   STYLE(WS_VSCROLL),     STYLE(ES_LEFT),
    STYLE(ES_CENTER),        STYLE(ES_RIGHT),     STYLE(ES_AUTOHSCROLL), STYLE(ES_AUTOVSCROLL),
    STYLE(ES_READONLY),      STYLE(ES_NOHIDESEL), STYLE(ES_LOWERCASE),   STYLE(ES_UPPERCASE),
    STYLE(ES_MULTILINE),     STYLE(ES_PASSWORD),  STYLE(ES_NUMBER),      STYLE(WS_EX_CLIENTEDGE),
    STYLE(WS_EX_STATICEDGE),
};
const StyleName kRichEdit[] = {
    STYLE(WS_HSCROLL),   STYLE(WS_VSCROLL),     STYLE(ES_LEFT),        STYLE(ES_CENTER),
    STYLE(ES_RIGHT),     STYLE(ES_AUTOHSCROLL), STYLE(ES_AUTOVSCROLL), STYLE(ES_READONLY),
    STYLE(ES_NOHIDESEL), STYLE(ES_WANTRETURN),  STYLE(ES_SUNKEN),      STYLE(WS_EX_STATICEDGE),
};
const StyleName kList[] = {
    STYLE(WS_BORDER),           STYLE(WS_HSCROLL),           STYLE(WS_VSCROLL),
    STYLE(LBS_MULTIPLESEL),     STYLE(LBS_EXTENDEDSEL),      STYLE(LBS_NOSEL),
    STYLE(LBS_DISABLENOSCROLL), STYLE(LBS_NOINTEGRALHEIGHT), STYLE(LBS_SORT),
    STYLE(WS_EX_CLIENTEDGE),    STYLE(WS_EX_STATICEDGE),
};
const StyleName kCombo[] = {
    STYLE(WS_VSCROLL),           STYLE(CBS_SIMPLE),      STYLE(CBS_DROPDOWN),
    STYLE(CBS_DROPDOWNLIST),     STYLE(CBS_AUTOHSCROLL), STYLE(CBS_DISABLENOSCROLL),
    STYLE(CBS_NOINTEGRALHEIGHT), STYLE(CBS_SORT),
};
const StyleName kExtendedList[] = {
    STYLE(WS_BORDER),          STYLE(LVS_ICON),           STYLE(LVS_REPORT),
    STYLE(LVS_SMALLICON),      STYLE(LVS_LIST),           STYLE(LVS_EDITLABELS),
    STYLE(LVS_AUTOARRANGE),    STYLE(LVS_SINGLESEL),      STYLE(LVS_NOLABELWRAP),
    STYLE(LVS_NOSCROLL),       STYLE(LVS_SHOWSELALWAYS),  STYLE(LVS_SORTASCENDING),
    STYLE(LVS_SORTDESCENDING), STYLE(LVS_NOCOLUMNHEADER), STYLE(WS_EX_CLIENTEDGE),
    STYLE(WS_EX_STATICEDGE),
};
const StyleName kProgress[] = {STYLE(PBS_VERTICAL), STYLE(PBS_SMOOTH), STYLE(PBS_MARQUEE)};
const StyleName kScroll[] = {STYLE(SBS_VERT)};
const StyleName kSlider[] = {
    STYLE(WS_BORDER),        STYLE(TBS_TOOLTIPS),     STYLE(TBS_VERT),
    STYLE(WS_EX_CLIENTEDGE), STYLE(WS_EX_STATICEDGE),
};
const StyleName kTab[] = {
    STYLE(TCS_BUTTONS),           STYLE(TCS_FLATBUTTONS), STYLE(TCS_FOCUSNEVER),
    STYLE(TCS_FOCUSONBUTTONDOWN), STYLE(TCS_TOOLTIPS),
};
const StyleName kToolBar[] = {
    STYLE(WS_BORDER),
    STYLE(TBSTYLE_TOOLTIPS),
    STYLE(WS_EX_CLIENTEDGE),
    STYLE(WS_EX_STATICEDGE),
};
const StyleName kTree[] = {
    STYLE(WS_BORDER),       STYLE(TVS_CHECKBOXES),    STYLE(TVS_DISABLEDRAGDROP),
    STYLE(TVS_EDITLABELS),  STYLE(TVS_FULLROWSELECT), STYLE(TVS_HASBUTTONS),
    STYLE(TVS_HASLINES),    STYLE(TVS_LINESATROOT),   STYLE(TVS_SHOWSELALWAYS),
    STYLE(TVS_TRACKSELECT), STYLE(WS_EX_CLIENTEDGE),  STYLE(WS_EX_STATICEDGE),
};
const StyleName kBrowser[] = {STYLE(WS_BORDER)};
const StyleName kPlain[] = {STYLE(WS_BORDER), STYLE(WS_EX_CLIENTEDGE), STYLE(WS_EX_STATICEDGE)};

#undef STYLE

struct NameList {
    const StyleName* names;
    int count;
};

template <int N>
constexpr NameList List(const StyleName (&names)[N]) {
    return {names, N};
}

// Indexed by type id, in the order of the type table.
const NameList kByType[] = {
    List(kDialog), List(kBrowser),  List(kButton),       List(kPlain),    List(kPlain),
    List(kCombo),  List(kEdit),     List(kExtendedList), List(kGroup),    List(kPlain),
    List(kPlain),  List(kPlain),    List(kPlain),        List(kPlain),    List(kList),
    List(kPlain),  List(kPlain),    List(kPlain),        List(kProgress), List(kPlain),
    List(kPlain),  List(kRichEdit), List(kScroll),       List(kSlider),   List(kPlain),
    List(kPlain),  {nullptr, 0},    List(kTab),          List(kPlain),    List(kToolBar),
    List(kTree),   List(kPlain),    List(kPlain),
};
constexpr int kTypeCount = sizeof kByType / sizeof kByType[0];
static_assert(kTypeCount == 33, "one name list per control type");

NameList TypeNames(int type) {
    if (type < 0 || type >= kTypeCount) return {nullptr, 0};
    return kByType[type];
}

bool IsExtended(const StyleName& style) { return strncmp(style.name, "WS_EX_", 6) == 0; }

uint32_t ValueOf(int type, const char* word, int length) {
    const NameList lists[] = {List(kEveryType), TypeNames(type)};
    for (const NameList& list : lists) {
        for (int i = 0; i < list.count; ++i) {
            const char* name = list.names[i].name;
            if (static_cast<int>(strlen(name)) == length && memcmp(name, word, length) == 0)
                return list.names[i].value;
        }
    }
    return 0;
}

void AppendPresent(SString& out, const NameList& list, uint32_t value, bool extended) {
    for (int i = 0; i < list.count; ++i) {
        const StyleName& style = list.names[i];
        if (IsExtended(style) != extended || (value & style.value) != style.value) continue;
        out += style.name;
        out += ' ';
    }
}

}  // namespace

uint32_t SDialogStyles::Parse(int type, const SString& text) {
    const char* p = text.GetSafeText();
    const int length = text.GetLength();
    uint32_t value = 0;
    int at = 0;
    while (at < length) {
        while (at < length && p[at] == ' ') ++at;
        const int start = at;
        while (at < length && p[at] != ' ') ++at;
        if (at > start) value |= ValueOf(type, p + start, at - start);
    }
    return value;
}

SString SDialogStyles::Format(int type, uint32_t value, bool extended) {
    SString out("");
    if (!extended) AppendPresent(out, List(kEveryType), value, false);
    AppendPresent(out, TypeNames(type), value, extended);
    return out;
}
