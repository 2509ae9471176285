// The save dialog and the folder browser, shown for real and answered by a second thread
// that finds the system's window and fills it in or cancels it, as a user would.
#include <gtest/gtest.h>

#include "core/SWindows.h"
// After windows.h: the common dialogs and the shell.
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "core/SStringArray.h"
#include "gui/SSelector.h"
#include "tests/support/TestFolder.h"

namespace {

TEST(SSelector, FilterBlock) {
    using namespace std::string_literals;
    const struct {
        std::initializer_list<const char*> items;
        std::string block;
    } cases[] = {
        {{"Update files|*.upd", "All files|*.*"}, "Update files\0*.upd\0All files\0*.*\0\0"s},
        {{"Texts|*.txt|*.log"}, "Texts\0*.txt|*.log\0\0"s},  // only the first bar separates
        {{"No pattern"}, "No pattern\0\0"s},
        {{}, ""s},
    };
    for (const auto& c : cases) {
        SStringArray list;
        for (const char* item : c.items) list.Add(item);
        const SString block = SSelector::BuildFilterBlock(&list);
        EXPECT_EQ(std::string(block.GetSafeText(), block.GetLength()), c.block) << c.block;
    }
    EXPECT_EQ(SSelector::BuildFilterBlock(nullptr).GetLength(), 0);
}

TEST(SSelector, FilterIndex) {
    const struct {
        int index, count;
        DWORD system;
    } cases[] = {{0, 1, 1}, {2, 3, 3}, {-1, 3, 1}, {3, 3, 1}, {0, 0, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(SSelector::FilterIndexFor(c.index, c.count), c.system) << c.index;
}

// Answers the first visible system dialog of this thread from a second one, which looks for
// it for at most 30 s. A dialog never found is left to time out.
class Answerer {
public:
    explicit Answerer(std::function<void(HWND)> answer)
        : owner(GetCurrentThreadId()), worker([this, answer] {
              for (int i = 0; i < 1500 && !stop; ++i, Sleep(20)) {
                  HWND dialog = nullptr;
                  EnumThreadWindows(owner, Visit, reinterpret_cast<LPARAM>(&dialog));
                  if (!dialog) continue;
                  GetWindowTextA(dialog, title, sizeof title);
                  answer(dialog);
                  return;
              }
          }) {}
    ~Answerer() {
        stop = true;
        worker.join();
    }

    char title[256] = "";

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM found) {
        char name[16] = "";
        GetClassNameA(window, name, sizeof name);
        if (strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }

    const DWORD owner;
    std::atomic<bool> stop{false};
    std::thread worker;
};

void Cancel(HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }

TEST(SSelectorWindow, SaveDialogConfirmsTheTypedPathAndCancelEmptiesIt) {
    TestFolder folder;
    const std::string target = folder / "package.upd";
    SStringArray filters;
    filters.Add("Update files|*.upd");
    filters.Add("All files|*.*");
    SSelector selector(nullptr);
    LRESULT types = 0, selected = -1;
    {
        Answerer answer([&](HWND dialog) {
            HWND typeBox = GetDlgItem(dialog, 1136);
            types = SendMessageA(typeBox, CB_GETCOUNT, 0, 0);
            selected = SendMessageA(typeBox, CB_GETCURSEL, 0, 0);
            // The file name box is a ComboBoxEx32 holding a ComboBox holding an Edit.
            HWND box = GetDlgItem(dialog, 1148);
            HWND edit = FindWindowExA(FindWindowExA(box, nullptr, "ComboBox", nullptr), nullptr,
                                      "Edit", nullptr);
            SendMessageA(edit ? edit : box, WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(target.c_str()));
            PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        EXPECT_TRUE(selector.SaveFile(&filters, 0, nullptr, nullptr, 1, ""));
        EXPECT_STREQ(answer.title, "Save As");
    }
    EXPECT_STREQ(selector.fileResult.GetSafeText(), target.c_str());
    EXPECT_EQ(types, 2);
    EXPECT_EQ(selected, 1);  // the given index, counted from 0 as the caller does
    {
        Answerer answer(Cancel);
        EXPECT_FALSE(selector.SaveFile(&filters, 0, folder.Path().c_str(), "Pick one", 7, ""));
        EXPECT_STREQ(answer.title, "Pick one");
    }
    EXPECT_STREQ(selector.fileResult.GetSafeText(), "");
}

std::string ItemText(HWND tree, HTREEITEM item) {
    char text[MAX_PATH] = "";
    TVITEMA data = {};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof text;
    if (!item || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) return "";
    return text;
}

HTREEITEM NextItem(HWND tree, UINT relation, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

// The browser is answered by selecting a path the way the shell's own callback does and
// pressing OK; it may still move its selection while it opens, so the path is selected
// until the tree shows it (at most 10 s). An empty path cancels once the tree shows the
// start folder's node (its parents expanded), or after 3 s.
void SelectAndConfirm(HWND dialog, const std::string& path, std::string& shown) {
    HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
    SHFILEINFOA info = {};
    SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(20)) {
        if (path.empty()) {
            shown = "";
            for (HTREEITEM item = NextItem(tree, TVGN_ROOT, nullptr); item;
                 item = NextItem(tree, TVGN_NEXTVISIBLE, item))
                shown += ItemText(tree, item) + ";";
            if (shown.find(";Start Here;") != std::string::npos || GetTickCount() - start > 3000)
                return Cancel(dialog);
            continue;
        }
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
        if (ItemText(tree, NextItem(tree, TVGN_CARET, nullptr)) == info.szDisplayName) break;
    }
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST(SSelectorBrowse, ConfirmedFolderEndsWithOneBackslashCancelGivesEmptyText) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    TestFolder folder;
    std::string bare = folder.MakeFolder("Data");
    bare.pop_back();
    const std::string start = folder.MakeFolder("Start Here");
    const struct {
        std::string start, select;
        bool appendSeparator;
        std::string expected;
    } cases[] = {
        {"", bare, true, bare + "\\"}, {"", bare + "\\", true, bare + "\\"},
        {"", bare, false, bare},       {"", "C:\\", true, "C:\\"},
        {start, "", true, ""},
    };
    for (const auto& c : cases) {
        SSelector selector(nullptr);
        selector.appendSeparator = c.appendSeparator;
        std::string shown;
        SString result;
        {
            Answerer answer([&](HWND dialog) { SelectAndConfirm(dialog, c.select, shown); });
            result = selector.BrowseFolder("Source files", c.start.c_str(), false);
        }
        EXPECT_STREQ(result.GetSafeText(), c.expected.c_str()) << c.select;
        EXPECT_STREQ(selector.folderResult.GetSafeText(), c.expected.c_str()) << c.select;
        EXPECT_EQ(shown.find(";Start Here;") != std::string::npos, c.select.empty()) << shown;
    }
    OleUninitialize();
}

}  // namespace
