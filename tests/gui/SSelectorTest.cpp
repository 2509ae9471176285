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

std::string Block(const SString& block) {
    return std::string(block.GetSafeText(), block.GetLength());
}

TEST(SSelector, FilterBlock) {
    using namespace std::string_literals;
    const struct {
        std::initializer_list<const char*> items;
        std::string block;
    } cases[] = {
        {{"Update files|*.upd"}, "Update files\0*.upd\0\0"s},
        {{"Update files|*.upd", "All files|*.*"}, "Update files\0*.upd\0All files\0*.*\0\0"s},
        {{"Texts|*.txt|*.log"}, "Texts\0*.txt|*.log\0\0"s},  // only the first bar separates
        {{"No pattern"}, "No pattern\0\0"s},
        {{"|*.x", ""}, "\0*.x\0\0\0"s},
        {{}, ""s},
    };
    for (const auto& c : cases) {
        SStringArray list;
        for (const char* item : c.items) list.Add(item);
        EXPECT_EQ(Block(SSelector::BuildFilterBlock(&list)), c.block) << c.block;
    }
    EXPECT_EQ(Block(SSelector::BuildFilterBlock(nullptr)), "");
    SStringArray one;
    one.Add("Update files|*.upd");
    EXPECT_EQ(SSelector::BuildFilterBlock(&one).GetLength(), 20);
}

TEST(SSelector, FilterIndex) {
    const struct {
        int index, count;
        DWORD system;
    } cases[] = {{0, 1, 1}, {1, 3, 2}, {2, 3, 3}, {-1, 3, 1}, {3, 3, 1}, {0, 0, 1}, {-5, 0, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(SSelector::FilterIndexFor(c.index, c.count), c.system)
            << c.index << "/" << c.count;
}

// Waits (polling, at most 30 s) for a dialog window of the given thread that shows the
// control id, then answers it on this thread. A dialog never found is left to time out.
class Answerer {
public:
    using Answer = std::function<void(HWND dialog)>;

    Answerer(int controlId, Answer answer)
        : owner(GetCurrentThreadId()), worker([this, controlId, answer] {
              for (int i = 0; i < 1500 && !stop; ++i) {
                  HWND dialog = FindDialog(controlId);
                  if (dialog) {
                      GetWindowTextA(dialog, title, sizeof title);
                      answer(dialog);
                      return;
                  }
                  Sleep(20);
              }
          }) {}
    ~Answerer() {
        stop = true;
        worker.join();
    }

    char title[256] = "";

private:
    struct Search {
        int controlId;
        HWND found;
    };
    static BOOL CALLBACK Visit(HWND window, LPARAM data) {
        Search* search = reinterpret_cast<Search*>(data);
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        if (!FindDescendant(window, search->controlId)) return TRUE;
        search->found = window;
        return FALSE;
    }
    HWND FindDialog(int controlId) {
        Search search = {controlId, nullptr};
        EnumThreadWindows(owner, Visit, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    static HWND FindDescendant(HWND parent, int id) {
        for (HWND child = GetWindow(parent, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetDlgCtrlID(child) == id) return child;
            if (HWND deeper = FindDescendant(child, id)) return deeper;
        }
        return nullptr;
    }

    const DWORD owner;
    std::atomic<bool> stop{false};
    std::thread worker;
};

constexpr int kFileNameBox = 1148;  // ComboBoxEx32 > ComboBox > Edit in the save dialog
constexpr int kFileTypeBox = 1136;

void TypeAndSave(HWND dialog, const std::string& path) {
    HWND box = GetDlgItem(dialog, kFileNameBox);
    HWND combo = FindWindowExA(box, nullptr, "ComboBox", nullptr);
    HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
    SendMessageA(edit ? edit : box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

void Cancel(HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }

TEST(SSelectorWindow, SaveDialogConfirmsTheTypedPathAndCancelEmptiesIt) {
    TestFolder folder;
    const std::string target = folder / "package.upd";
    SStringArray filters;
    filters.Add("Update files|*.upd");
    filters.Add("All files|*.*");
    SSelector selector(nullptr);
    std::string types;
    int selectedType = -1;
    {
        Answerer answer(kFileNameBox, [&](HWND dialog) {
            HWND typeBox = GetDlgItem(dialog, kFileTypeBox);
            char text[64] = "";
            for (LRESULT i = 0; i < SendMessageA(typeBox, CB_GETCOUNT, 0, 0); ++i) {
                SendMessageA(typeBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                types += std::string(text) + ";";
            }
            selectedType = static_cast<int>(SendMessageA(typeBox, CB_GETCURSEL, 0, 0));
            TypeAndSave(dialog, target);
        });
        EXPECT_TRUE(selector.SaveFile(&filters, 0, nullptr, nullptr, 1, ""));
        EXPECT_STREQ(answer.title, "Save As");
    }
    EXPECT_STREQ(selector.fileResult.GetSafeText(), target.c_str());
    EXPECT_EQ(types, "Update files;All files;");
    EXPECT_EQ(selectedType, 1);  // the given index, counted from 0 as the caller does
    {
        Answerer answer(kFileNameBox, Cancel);
        EXPECT_FALSE(selector.SaveFile(&filters, 0, folder.Path().c_str(), "Pick one", 7, ""));
        EXPECT_STREQ(answer.title, "Pick one");
    }
    EXPECT_STREQ(selector.fileResult.GetSafeText(), "");
}

// The browser is answered by selecting an item the way the shell's own callback does
// (BFFM_SETSELECTION) and pressing OK, or by cancelling.
class SSelectorBrowse : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }

    SString Browse(SSelector& selector, const char* initial, std::function<void(HWND)> answer) {
        Answerer answerer(IDOK, answer);
        return selector.BrowseFolder("Source files", initial, false);
    }
};

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

// The browser may still move its selection while it opens, so the item is selected until
// the tree shows it selected (at most 10 s), then confirmed. The shell's display name is
// what the tree shows.
void SelectAndConfirm(HWND dialog, const void* item, bool isPath) {
    SHFILEINFOA info = {};
    SHGetFileInfoA(static_cast<const char*>(item), 0, &info, sizeof info,
                   SHGFI_DISPLAYNAME | (isPath ? 0 : SHGFI_PIDL));
    HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(20)) {
        SendMessageA(dialog, BFFM_SETSELECTIONA, isPath, reinterpret_cast<LPARAM>(item));
        if (ItemText(tree, NextItem(tree, TVGN_CARET, nullptr)) == info.szDisplayName) break;
    }
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

void SelectAndConfirm(HWND dialog, const std::string& path) {
    SelectAndConfirm(dialog, path.c_str(), true);
}

TEST_F(SSelectorBrowse, ConfirmedFolderEndsWithOneBackslash) {
    TestFolder folder;
    const std::string data = folder.MakeFolder("Data");
    std::string bare = data;
    while (!bare.empty() && bare.back() == '\\') bare.pop_back();
    const struct {
        std::string select;
        bool appendSeparator;
        std::string expected;
    } cases[] = {
        {bare, true, bare + "\\"}, {bare + "\\", true, bare + "\\"}, {bare, false, bare},
        {"C:\\", true, "C:\\"},    {"C:\\", false, "C:\\"},
    };
    for (const auto& c : cases) {
        SSelector selector(nullptr);
        selector.appendSeparator = c.appendSeparator;
        const SString result =
            Browse(selector, "", [&](HWND dialog) { SelectAndConfirm(dialog, c.select); });
        EXPECT_STREQ(result.GetSafeText(), c.expected.c_str()) << c.select;
        EXPECT_STREQ(selector.folderResult.GetSafeText(), c.expected.c_str()) << c.select;
    }
}

TEST_F(SSelectorBrowse, CancelAndItemsOutsideTheFileSystemGiveEmptyText) {
    TestFolder folder;
    SSelector selector(nullptr);
    const std::string path = folder.Path();
    EXPECT_STREQ(Browse(selector, "", [&](HWND d) { SelectAndConfirm(d, path); }).GetSafeText(),
                 path.c_str());
    EXPECT_STREQ(Browse(selector, path.c_str(), Cancel).GetSafeText(), "");
    EXPECT_STREQ(selector.folderResult.GetSafeText(), "");

    LPITEMIDLIST computer = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer)));
    const SString none =
        Browse(selector, "", [&](HWND dialog) { SelectAndConfirm(dialog, computer, false); });
    CoTaskMemFree(computer);
    EXPECT_STREQ(none.GetSafeText(), "");
}

// The browser opens with the start folder's node shown (its parents expanded): a folder
// deep below the temporary folder is among the tree's items only then.
std::string ShownItems(HWND dialog) {
    HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
    std::string names;
    for (HTREEITEM item = NextItem(tree, TVGN_ROOT, nullptr); item;
         item = NextItem(tree, TVGN_NEXTVISIBLE, item))
        names += ItemText(tree, item) + ";";
    return names;
}

TEST_F(SSelectorBrowse, OpensWithTheStartFolderShown) {
    TestFolder folder;
    folder.MakeFolder("Start Here");
    for (const char* start : {"Start Here", ""}) {
        SSelector selector(nullptr);
        std::string shown;
        const std::string initial = start[0] ? folder / start : "";
        const SString result = Browse(selector, initial.c_str(), [&](HWND dialog) {
            // The tree may still be filling when the window shows: look for up to 3 s.
            for (DWORD t = GetTickCount(); GetTickCount() - t < 3000; Sleep(20)) {
                shown = ShownItems(dialog);
                if (shown.find(";Start Here;") != std::string::npos) break;
            }
            Cancel(dialog);
        });
        EXPECT_STREQ(result.GetSafeText(), "");
        EXPECT_EQ(shown.find(";Start Here;") != std::string::npos, start[0] != 0) << shown;
    }
}

}  // namespace
