// Dialogs built from the two shipped descriptions and from short ones for the keys and rules
// that the shipped ones do not use, with real controls and messages.
#include <gtest/gtest.h>

#include "core/SWindows.h"
// After windows.h: the progress bar's messages.
#include <commctrl.h>

#include <string>
#include <vector>

#include "core/SFileMem.h"
#include "gui/SButtonCtrl.h"
#include "gui/SLabelCtrl.h"
#include "gui/SListCtrl.h"
#include "gui/SMouseNotice.h"
#include "gui/SWndDialog.h"
#include "tests/gui/ProbeWnd.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFolder.h"

namespace {

// Records when the created message finds its controls, and the mouse notices of its controls.
class RecordingDialog : public SWndDialog {
public:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kMsgCreated) foundOnCreated.push_back(FindControl("LIST") != nullptr);
        if (message >= 35700 && message <= 35999 && message != kMsgButtonClicked && lParam) {
            const SMouseNotice* notice = reinterpret_cast<const SMouseNotice*>(lParam);
            mouse.push_back({static_cast<int>(message), notice->code, notice->x, notice->y});
        }
        return SWndDialog::OnMessage(message, wParam, lParam);
    }
    std::vector<bool> foundOnCreated;
    std::vector<std::vector<int>> mouse;  // notice, code, x, y
};

// A shipped description by its file name, or a hidden dialog record and the given control
// records.
bool Build(SWndDialog& dialog, const std::string& text) {
    const std::string description =
        text.find('[') != std::string::npos
            ? "VELMOR DIALOG 1.0.0.0\r\n\r\n[DIALOG]\r\nPOSITION=0 0 200 100\r\n\r\n" + text
            : ReadWholeFile(HelperPath(text.c_str()));
    SFileMem file;
    file.Write(description.data(), static_cast<int>(description.size()));
    const bool built = dialog.Create(&file, nullptr, nullptr, true, 0);
    DrainMessages();
    return built;
}

std::string Section(const char* type, int id, const char* name, const char* more = "") {
    return std::string("[") + type + "]\r\nID=" + std::to_string(id) + "\r\nNAME=" + name +
           "\r\nCAPTION=" + name + "\r\nPOSITION=10 10 80 20\r\nSTYLE=WS_VISIBLE \r\n" + more +
           "\r\n";
}

// The client area has exactly the described size, centred on the work area; no minimise or
// maximise box.
void ExpectPlaced(SWndDialog& dialog, int width, int height, bool topmost) {
    RECT client, outer, work;
    GetClientRect(dialog.GetHandle(), &client);
    GetWindowRect(dialog.GetHandle(), &outer);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(client.right * 1000 + client.bottom, width * 1000 + height);
    EXPECT_LE(abs((outer.left + outer.right) - (work.left + work.right)), 1);
    EXPECT_LE(abs((outer.top + outer.bottom) - (work.top + work.bottom)), 1);
    EXPECT_TRUE(IsWindowVisible(dialog.GetHandle()));
    const LONG style = GetWindowLongA(dialog.GetHandle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_SYSMENU);
    EXPECT_EQ((GetWindowLongA(dialog.GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
}

// The first and last columns where a label's text differs from its background.
std::pair<int, int> InkColumns(SWnd* label) {
    RECT area;
    GetClientRect(label->GetHandle(), &area);
    HDC dc = GetDC(label->GetHandle());
    std::pair<int, int> ink = {-1, -1};
    for (int x = 0; x < area.right; ++x)
        for (int y = 0; y < area.bottom; ++y)
            if (GetPixel(dc, x, y) != GetPixel(dc, 0, 0)) ink = {ink.first < 0 ? x : ink.first, x};
    ReleaseDC(label->GetHandle(), dc);
    return ink;
}

struct WorkerLines {
    SListCtrl* list;
    SStringArray lines;  // at position 1
    int added;
};

DWORD WINAPI AddFromWorker(LPVOID data) {
    WorkerLines* job = static_cast<WorkerLines*>(data);
    job->added = job->list->AddStrings(&job->lines, 1);
    return 0;
}

TEST(SWndDialog, InstallDialogControls) {
    RecordingDialog dialog;
    ASSERT_TRUE(Build(dialog, "install.dlg"));
    ExpectPlaced(dialog, 300, 220, true);
    // The first created message comes before the controls, the second after them.
    EXPECT_EQ(dialog.foundOnCreated, (std::vector<bool>{false, true}));
    ASSERT_EQ(dialog.GetControlCount(), 4);
    const char* const names[] = {"LABEL", "PROGRESS", "LIST", "Label2"};
    const int kinds[] = {SWnd::kKindLabel, SWnd::kKindProgress, SWnd::kKindList, SWnd::kKindLabel};
    const char* const texts[] = {"Updating files...", "Progress", "List", "Errors:"};
    for (int i = 0; i < 4; ++i) {
        SWnd* control = dialog.FindControl(names[i]);
        ASSERT_NE(control, nullptr) << names[i];
        EXPECT_EQ(dialog.GetControlById(i + 1), control);
        EXPECT_EQ(GetDlgCtrlID(control->GetHandle()), i + 1);
        EXPECT_EQ(control->GetKind(), kinds[i]);
        EXPECT_STREQ(control->GetText().GetSafeText(), texts[i]);
    }
    // The labels are drawn as aligned: centred, at the left, and at the right once so aligned.
    SLabelCtrl* errors = static_cast<SLabelCtrl*>(dialog.FindControl("Label2"));
    EXPECT_EQ(static_cast<SLabelCtrl*>(dialog.FindControl("LABEL"))->GetAlignment(), 17u);
    EXPECT_EQ(errors->GetAlignment(), 16u);
    UpdateWindow(dialog.GetHandle());
    const std::pair<int, int> centred = InkColumns(dialog.FindControl("LABEL"));
    EXPECT_LE(abs(centred.first + centred.second - 150), 3)
        << centred.first << " " << centred.second;
    EXPECT_LT(InkColumns(errors).first, 5);
    errors->SetAlignment(2);
    EXPECT_GT(InkColumns(errors).second, 145);
    PBRANGE range = {};
    dialog.FindControl("PROGRESS")->Send(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iHigh, 1000);

    SListCtrl* list = static_cast<SListCtrl*>(dialog.FindControl("LIST"));
    const LONG listStyle = GetWindowLongA(list->GetHandle(), GWL_STYLE);
    EXPECT_EQ(listStyle & (LBS_OWNERDRAWVARIABLE | WS_VSCROLL | LBS_SORT | LBS_HASSTRINGS),
              LBS_OWNERDRAWVARIABLE | WS_VSCROLL);
    // From a worker thread, as the installer adds its failures: every line in order, the
    // list still showing its first line.
    WorkerLines job = {list, {}, 0};
    for (int i = 0; i < 600; ++i) job.lines.Add(("in" + std::to_string(i)).c_str());
    for (const char* line : {"first", "second"}) list->AddString(line);
    HANDLE worker = CreateThread(nullptr, 0, AddFromWorker, &job, 0, nullptr);
    ASSERT_TRUE(worker);
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        DrainMessages();
    CloseHandle(worker);
    EXPECT_EQ(job.added, 600);
    ASSERT_EQ(list->GetCount(), 602);
    const std::pair<int, const char*> lines[] = {
        {0, "first"}, {1, "in0"}, {600, "in599"}, {601, "second"}};
    for (const auto& [index, text] : lines) EXPECT_EQ(list->GetString(index), text) << index;
    EXPECT_EQ(list->Send(LB_GETTOPINDEX), 0);
}

TEST(SWndDialog, MakeDialogFocusAndSelection) {
    RecordingDialog dialog;
    ASSERT_TRUE(Build(dialog, "make.dlg"));
    ExpectPlaced(dialog, 300, 165, false);
    SWnd* version = dialog.FindControl("EDIT_VERSION");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(GetFocus(), version->GetHandle());
    DWORD start = 0, end = 0;
    version->Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end - start, 7u);
    EXPECT_EQ(dialog.FindControl("EDIT_FOLDER")->GetTabGroup(), 0);
    EXPECT_EQ(dialog.FindControl("BTN_MAKE")->GetTabGroup(), -1);
    EXPECT_TRUE(GetWindowLongA(dialog.GetHandle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    // ENTER types nothing; a character replaces the selection.
    version->Send(WM_KEYDOWN, VK_RETURN, 0);
    version->Send(WM_CHAR, '\r', 0);
    EXPECT_STREQ(version->GetText().GetSafeText(), "1.0.0.0");
    version->Send(WM_CHAR, '2', 0);
    EXPECT_STREQ(version->GetText().GetSafeText(), "2");
}

TEST(SWndDialog, ControlKeysFromRecords) {
    RecordingDialog dialog;
    ASSERT_TRUE(Build(
        dialog, Section("TAB", 1, "T1") +
                    Section("LIST", 2, "L", "LIST_CONTENT=a| b |\"c|d\"\r\n") +
                    Section("BUTTON", 3, "B1", "BACKCOLOR=#FF000001\r\n") +
                    Section("BUTTON", 4, "B2", "TEXTCOLOR=#0000FF\r\n") + Section("TAB", 5, "T2")));
    // Tab records are made in reverse order among themselves, the others in their places.
    EXPECT_EQ(dialog.IndexOf(dialog.FindControl("T2")), 0);
    EXPECT_EQ(dialog.IndexOf(dialog.FindControl("L")), 1);
    EXPECT_EQ(dialog.IndexOf(dialog.FindControl("T1")), 4);
    SListCtrl* list = static_cast<SListCtrl*>(dialog.FindControl("L"));
    std::string items;
    for (int i = 0; i < list->GetCount(); ++i)
        items += list->GetString(i).GetSafeText() + std::string(";");
    EXPECT_EQ(items, "a;b;\"c|d\";");
    // A button's colour reaches it through the dialog's colour message.
    HDC dc = GetDC(dialog.GetHandle());
    auto brushOf = [&](const char* name) {
        return reinterpret_cast<HGDIOBJ>(
            dialog.Send(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(dialog.FindControl(name)->GetHandle())));
    };
    EXPECT_EQ(brushOf("B1"), GetStockObject(HOLLOW_BRUSH));
    EXPECT_NE(brushOf("B2"), GetStockObject(HOLLOW_BRUSH));
    ReleaseDC(dialog.GetHandle(), dc);
    EXPECT_EQ(dialog.FindControl("B2")->GetTextColor(), 0x00FF0000u);
    // A click notice reaches the dialog with the cursor's position, put at (7, 8).
    POINT cursor = {7, 8};
    ClientToScreen(dialog.FindControl("B1")->GetHandle(), &cursor);
    SetCursorPos(cursor.x, cursor.y);
    dialog.FindControl("B1")->Send(SMouseNotice::kMsgLeftClick, 0, MAKELPARAM(5, 6));
    EXPECT_EQ(dialog.mouse, (std::vector<std::vector<int>>{{SButtonCtrl::kMsgMouse, 33, 7, 8}}));
}

// A list hands its entries back (deleting each and clearing its data) while its window goes.
class CountingList : public SListCtrl {
public:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        destroying |= message == WM_DESTROY;
        freed += destroying && message == LB_SETITEMDATA && lParam == 0;
        return SListCtrl::OnMessage(message, wParam, lParam);
    }
    bool destroying = false;
    int freed = 0;
};

TEST(SListCtrl, EntriesAreFreedWhenTheListIsDestroyed) {
    CountingList list;
    const RECT area = {0, 0, 100, 100};
    ASSERT_TRUE(
        list.CreateControl("LISTBOX", "", LBS_OWNERDRAWVARIABLE, 0, &area, nullptr, 0, 0, nullptr));
    for (const char* line : {"a", "b", "c"}) list.AddString(line);
    ASSERT_EQ(list.GetCount(), 3);
    list.Destroy();
    EXPECT_EQ(list.freed, 3);
}

}  // namespace
