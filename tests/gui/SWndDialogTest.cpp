// Both shipped descriptions built into real dialogs, with real controls and messages.
#include <gtest/gtest.h>

#include "core/SWindows.h"
// After windows.h: the progress bar's messages.
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "core/SFileMem.h"
#include "gui/SButtonCtrl.h"
#include "gui/SEditCtrl.h"
#include "gui/SLabelCtrl.h"
#include "gui/SListCtrl.h"
#include "gui/SMouseNotice.h"
#include "gui/SProgressCtrl.h"
#include "gui/SWndDialog.h"
#include "tests/gui/ProbeWnd.h"
#include "tests/support/ChildProcess.h"

namespace {

// Records when the created message finds its controls, and the edit's ENTER notices.
class RecordingDialog : public SWndDialog {
public:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kMsgCreated) foundOnCreated.push_back(FindControl("LIST") != nullptr);
        if (message == SEditCtrl::kMsgEnter) ++enters;
        if (message == SListCtrl::kMsgDoubleClick) ++doubleClicks;
        if (message >= 35700 && message <= 35999 && message != kMsgButtonClicked && lParam) {
            const SMouseNotice* notice = reinterpret_cast<const SMouseNotice*>(lParam);
            mouse.push_back({message, notice->code, notice->x, notice->y});
        }
        return SWndDialog::OnMessage(message, wParam, lParam);
    }
    std::vector<bool> foundOnCreated;
    int enters = 0;
    int doubleClicks = 0;
    struct Mouse {
        UINT message;
        int code, x, y;
    };
    std::vector<Mouse> mouse;
};

struct WorkerLines {
    SListCtrl* list;
    const SStringArray* inserted;  // at position 1
    const SStringArray* appended;
    int added;
};

DWORD WINAPI AddFromWorker(LPVOID data) {
    WorkerLines* job = static_cast<WorkerLines*>(data);
    job->added = job->list->AddStrings(job->inserted, 1) + job->list->AddStrings(job->appended);
    return 0;
}

bool Build(SWndDialog& dialog, const char* description) {
    SFileMem file;
    if (!file.LoadFile(HelperPath(description).c_str())) return false;
    const bool built = dialog.Create(&file, nullptr, nullptr, true, 0);
    DrainMessages();
    return built;
}

struct Shape {
    const char* description;
    int width, height;
    bool topmost;
};

TEST(SWndDialog, ClientAreaExactAndCentredOnTheWorkArea) {
    const Shape shapes[] = {{"install.dlg", 300, 220, true}, {"make.dlg", 300, 165, false}};
    for (const Shape& s : shapes) {
        SWndDialog dialog;
        ASSERT_TRUE(Build(dialog, s.description)) << s.description;
        HWND window = dialog.GetHandle();
        RECT client, outer, work;
        GetClientRect(window, &client);
        GetWindowRect(window, &outer);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_EQ(client.right, s.width) << s.description;
        EXPECT_EQ(client.bottom, s.height) << s.description;
        EXPECT_LE(abs((outer.left + outer.right) - (work.left + work.right)), 1);
        EXPECT_LE(abs((outer.top + outer.bottom) - (work.top + work.bottom)), 1);
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        EXPECT_EQ((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, s.topmost);
        EXPECT_FALSE(dialog.Create(nullptr, nullptr, nullptr, true, 0));  // already built
    }
}

TEST(SWndDialog, InstallDialogControls) {
    RecordingDialog dialog;
    ASSERT_TRUE(Build(dialog, "install.dlg"));
    // The first created message comes before the controls, the second after them.
    EXPECT_EQ(dialog.foundOnCreated, (std::vector<bool>{false, true}));
    ASSERT_EQ(dialog.GetControlCount(), 4);
    const struct {
        const char* name;
        int kind;
        int id;
        const char* text;
    } expected[] = {{"LABEL", SWnd::kKindLabel, 1, "Updating files..."},
                    {"PROGRESS", SWnd::kKindProgress, 2, "Progress"},
                    {"LIST", SWnd::kKindList, 3, "List"},
                    {"Label2", SWnd::kKindLabel, 4, "Errors:"}};
    for (int i = 0; i < 4; ++i) {
        SWnd* control = dialog.FindControl(expected[i].name);
        ASSERT_NE(control, nullptr) << expected[i].name;
        EXPECT_EQ(dialog.IndexOf(control), i);
        EXPECT_EQ(dialog.GetControlById(expected[i].id), control);
        EXPECT_EQ(control->GetKind(), expected[i].kind);
        EXPECT_EQ(GetDlgCtrlID(control->GetHandle()), expected[i].id);
        EXPECT_STREQ(control->GetText().GetSafeText(), expected[i].text);
    }
    EXPECT_EQ(dialog.FindControl("label"), nullptr);
    EXPECT_EQ(dialog.FindControl("Nothing"), nullptr);
    EXPECT_EQ(static_cast<SLabelCtrl*>(dialog.FindControl("LABEL"))->GetAlignment(), 17u);
    EXPECT_EQ(static_cast<SLabelCtrl*>(dialog.FindControl("Label2"))->GetAlignment(), 16u);

    PBRANGE range = {};
    SWnd* progress = dialog.FindControl("PROGRESS");
    progress->Send(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 1000);
    EXPECT_EQ(progress->Send(PBM_GETPOS), 0);

    SListCtrl* list = static_cast<SListCtrl*>(dialog.FindControl("LIST"));
    const LONG listStyle = GetWindowLongA(list->GetHandle(), GWL_STYLE);
    EXPECT_TRUE(listStyle & LBS_OWNERDRAWVARIABLE);
    EXPECT_TRUE(listStyle & WS_VSCROLL);
    EXPECT_FALSE(listStyle & (LBS_SORT | LBS_HASSTRINGS));
    SStringArray lines;
    for (const char* line : {"c:\\b.txt", "c:\\a.txt", "c:\\c.txt"}) lines.Add(line);
    EXPECT_EQ(list->AddStrings(&lines, -1), 3);
    SStringArray front;
    for (const char* line : {"first", "second"}) front.Add(line);
    EXPECT_EQ(list->AddStrings(&front, 0), 2);
    SStringArray none;
    EXPECT_EQ(list->AddStrings(&none, 0), 0);
    std::string order;
    for (int i = 0; i < list->GetCount(); ++i)
        order += list->GetString(i).GetSafeText() + std::string(";");
    EXPECT_EQ(order, "first;second;c:\\b.txt;c:\\a.txt;c:\\c.txt;");

    // From a worker thread, as the installer adds its failures: every line in order, the
    // list still showing its first line.
    SStringArray inserted;
    SStringArray appended;
    for (int i = 0; i < 600; ++i) inserted.Add(("in" + std::to_string(i)).c_str());
    for (int i = 0; i < 300; ++i) appended.Add(("end" + std::to_string(i)).c_str());
    WorkerLines job = {list, &inserted, &appended, 0};
    HANDLE worker = CreateThread(nullptr, 0, AddFromWorker, &job, 0, nullptr);
    ASSERT_TRUE(worker);
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        DrainMessages();
    CloseHandle(worker);
    EXPECT_EQ(job.added, 900);
    ASSERT_EQ(list->GetCount(), 905);
    const std::pair<int, const char*> expectedLines[] = {
        {0, "first"}, {1, "in0"}, {600, "in599"}, {601, "second"}, {605, "end0"}, {904, "end299"}};
    for (const auto& [index, text] : expectedLines)
        EXPECT_EQ(list->GetString(index), text) << index;
    EXPECT_EQ(list->Send(LB_GETTOPINDEX), 0);
}

TEST(SWndDialog, MakeDialogFocusSelectionAndEnter) {
    RecordingDialog dialog;
    ASSERT_TRUE(Build(dialog, "make.dlg"));
    SWnd* version = dialog.FindControl("EDIT_VERSION");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(GetFocus(), version->GetHandle());
    DWORD start = 0, end = 0;
    version->Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 7u);
    EXPECT_EQ(dialog.GetControlById(1), dialog.FindControl("BTN_MAKE"));
    EXPECT_EQ(dialog.FindControl("EDIT_FOLDER")->GetTabGroup(), 0);
    EXPECT_EQ(dialog.FindControl("BTN_MAKE")->GetTabGroup(), -1);
    EXPECT_TRUE(GetWindowLongA(dialog.GetHandle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    // ENTER is reported to the dialog and types nothing; a character replaces the selection.
    version->Send(WM_KEYDOWN, VK_RETURN, 0);
    version->Send(WM_CHAR, '\r', 0);
    EXPECT_EQ(dialog.enters, 1);
    EXPECT_STREQ(version->GetText().GetSafeText(), "1.0.0.0");
    version->Send(WM_CHAR, '2', 0);
    EXPECT_STREQ(version->GetText().GetSafeText(), "2");
}

}  // namespace

namespace {

std::string Section(const char* type, int id, const char* name, const char* more) {
    return std::string("[") + type + "]\r\nID=" + std::to_string(id) + "\r\nNAME=" + name +
           "\r\nCAPTION=" + name + "\r\nPOSITION=10 10 80 20\r\nSTYLE=WS_VISIBLE \r\n" + more +
           "\r\n";
}

bool BuildText(SWndDialog& dialog, const std::string& controls) {
    const std::string text = "VELMOR DIALOG 1.0.0.0\r\n\r\n" +
                             Section("DIALOG", 0, "D", "POSITION=0 0 200 100\r\n") + controls;
    SFileMem file;
    file.Write(text.data(), static_cast<int>(text.size()));
    const bool built = dialog.Create(&file, nullptr, nullptr, true, 0);
    DrainMessages();
    return built;
}

TEST(SWndDialog, ControlKeysFromRecords) {
    SWndDialog dialog;
    ASSERT_TRUE(BuildText(
        dialog, Section("LIST", 1, "L", "LIST_CONTENT=a| b |\"c|d\"\r\n") +
                    Section("PROGRESS", 2, "P", "") +
                    Section("LABEL", 3, "J", "LABEL_HALIGN=_JUSTIFY\r\nLABEL_VALIGN=_BOTTOM\r\n") +
                    Section("LABEL", 4, "T", "TRANSPARENT=1\r\nFONT=Arial, 12, 0\r\n") +
                    Section("BUTTON", 5, "B1", "BACKCOLOR=#FF000001\r\n") +
                    Section("BUTTON", 6, "B2", "")));
    SListCtrl* list = static_cast<SListCtrl*>(dialog.FindControl("L"));
    std::string items;
    for (int i = 0; i < list->GetCount(); ++i)
        items += list->GetString(i).GetSafeText() + std::string(";");
    EXPECT_EQ(items, "a;b;\"c|d\";");

    PBRANGE range = {-1, -1};
    dialog.FindControl("P")->Send(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 0);  // a record without range keys reads 0 to 0

    EXPECT_EQ(static_cast<SLabelCtrl*>(dialog.FindControl("J"))->GetAlignment(), 35u);
    SWnd* transparent = dialog.FindControl("T");
    EXPECT_EQ(transparent->GetBackColor(), SWnd::kTransparent);
    HFONT own = reinterpret_cast<HFONT>(transparent->Send(WM_GETFONT));
    EXPECT_NE(own, nullptr);
    EXPECT_NE(own, reinterpret_cast<HFONT>(dialog.FindControl("J")->Send(WM_GETFONT)));

    HDC dc = GetDC(dialog.GetHandle());
    EXPECT_EQ(dialog.FindControl("B1")->OnCtlColorBtn(dc), GetStockObject(HOLLOW_BRUSH));
    EXPECT_EQ(dialog.FindControl("B2")->OnCtlColorBtn(dc), nullptr);
    ReleaseDC(dialog.GetHandle(), dc);

    // The dialog's font is deleted with its controls.
    dialog.Clear();
    EXPECT_EQ(dialog.GetControlCount(), 0);
    EXPECT_EQ(GetObjectType(own), 0u);
}

TEST(SWndDialog, ButtonsNamedOkAndCancelEndAModalRun) {
    const struct {
        const char* name;
        int result;
    } cases[] = {{"OK", 0}, {"CANCEL", -1}};
    for (const auto& c : cases) {
        SWndDialog dialog;
        ASSERT_TRUE(BuildText(dialog, Section("BUTTON", 7, c.name, "")));
        PostMessageA(dialog.FindControl(c.name)->GetHandle(), BM_CLICK, 0, 0);
        EXPECT_EQ(dialog.RunModal(0, 0, false, nullptr, true), c.result) << c.name;
    }
}

}  // namespace

namespace {

TEST(SWndDialog, ControlsReportMouseEventsToTheDialog) {
    RecordingDialog dialog;
    ASSERT_TRUE(BuildText(dialog, Section("BUTTON", 1, "B", "") + Section("EDIT", 2, "E", "") +
                                      Section("LABEL", 3, "LB", "") + Section("LIST", 4, "LS", "") +
                                      Section("PROGRESS", 5, "P", "")));
    const struct {
        const char* name;
        UINT message;
        UINT notice;
        int code;
    } cases[] = {
        {"B", WM_LBUTTONUP, SButtonCtrl::kMsgMouse, 17},
        {"E", WM_RBUTTONDOWN, SEditCtrl::kMsgMouse, 12},
        {"LB", WM_MBUTTONDBLCLK, SLabelCtrl::kMsgMouse, 66},
        {"LS", WM_LBUTTONDOWN, SListCtrl::kMsgMouse, 9},
        {"P", WM_RBUTTONUP, SProgressCtrl::kMsgMouse, 20},
    };
    for (const auto& c : cases) {
        dialog.mouse.clear();
        dialog.FindControl(c.name)->Send(c.message, 0, MAKELPARAM(5, 6));
        ASSERT_EQ(dialog.mouse.size(), 1u) << c.name;
        EXPECT_EQ(dialog.mouse[0].message, c.notice) << c.name;
        EXPECT_EQ(dialog.mouse[0].code, c.code) << c.name;
        EXPECT_EQ(dialog.mouse[0].x, 5) << c.name;
        EXPECT_EQ(dialog.mouse[0].y, 6) << c.name;
    }
    // A double click reaches the dialog as a choice only while an entry is selected.
    SListCtrl* list = static_cast<SListCtrl*>(dialog.FindControl("LS"));
    list->AddString("entry");
    list->Send(WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 6));
    EXPECT_EQ(dialog.doubleClicks, 0);
    list->Send(LB_SETCURSEL, 0);
    list->Send(WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 6));
    EXPECT_EQ(dialog.doubleClicks, 1);
}

}  // namespace
