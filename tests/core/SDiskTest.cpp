// SDisk: temporary names, sizes and checksums, existence tests, listing, folder creation,
// deletion and starting programs, on real files in a fresh folder per test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "core/SDisk.h"
#include "core/SHandle.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"
#include "tests/support/TestFolder.h"

namespace {

using Names = std::set<std::string>;

std::string Text(const SString& s) { return s.GetSafeText(); }

std::vector<std::string> Items(const SStringArray& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.GetCount(); ++i) items.push_back(Text(list.GetText(i)));
    return items;
}

Names Set(const SStringArray& list) {
    const std::vector<std::string> items = Items(list);
    return Names(items.begin(), items.end());
}

Names Union(Names a, const Names& b) {
    a.insert(b.begin(), b.end());
    return a;
}

// Every text of names with prefix in front.
Names Prefixed(const std::string& prefix, const Names& names) {
    Names result;
    for (const std::string& name : names) result.insert(prefix + name);
    return result;
}

std::string CurrentFolder() {
    char folder[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
    return std::string(folder, n);
}

// Makes another folder current for one test and restores the previous one afterwards.
class CurrentFolderScope {
public:
    explicit CurrentFolderScope(const std::string& folder) : saved(CurrentFolder()) {
        changed = SetCurrentDirectoryA(folder.c_str()) != FALSE;
    }
    ~CurrentFolderScope() { SetCurrentDirectoryA(saved.c_str()); }
    bool Changed() const { return changed; }

private:
    std::string saved;
    bool changed = false;
};

// Deletes a file that a test made outside its own folder, whatever the test's outcome.
class RemoveAfterwards {
public:
    explicit RemoveAfterwards(const std::string& path) : path(path) {}
    ~RemoveAfterwards() {
        if (!path.empty()) DeleteFileA(path.c_str());
    }

private:
    std::string path;
};

bool AddAttribute(const std::string& path, DWORD attribute) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    SetFileAttributesA(path.c_str(), attributes | attribute);
    return (GetFileAttributesA(path.c_str()) & attribute) != 0;
}

bool FolderIsThere(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Opens a file without sharing, as a program that holds it exclusively does; the system
// refuses every other open of it, from this process or another, while the handle lives.
HANDLE LockExclusively(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Polls for a file that another process creates; false when it does not come in time.
bool WaitForFile(const std::string& path, DWORD timeoutMs = 30000) {
    const DWORD start = GetTickCount();
    while (!FileIsThere(path)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

uint32_t ReferenceCrc(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A release-like tree with hidden files, a hidden folder, a folder whose own name does not
// match "*.txt" but holds such files, and a name with a code-page character:
//   a.txt b.dat hid.txt(hidden) caf\xe9.txt
//   sub\c.txt sub\d.dat sub\deeper\e.txt sub\deeper\hid2.txt(hidden)
//   hidden\f.txt (folder hidden)   other.dir\g.txt
struct Tree {
    explicit Tree(const TestFolder& folder) : root(folder.Path()) {
        for (const char* name :
             {"a.txt", "b.dat", "hid.txt", "caf\xe9.txt", "sub\\c.txt", "sub\\d.dat",
              "sub\\deeper\\e.txt", "sub\\deeper\\hid2.txt", "hidden\\f.txt", "other.dir\\g.txt"})
            folder.WriteFile(name, name);
        hiddenReady = AddAttribute(root + "hid.txt", FILE_ATTRIBUTE_HIDDEN) &&
                      AddAttribute(root + "sub\\deeper\\hid2.txt", FILE_ATTRIBUTE_HIDDEN) &&
                      AddAttribute(root + "hidden", FILE_ATTRIBUTE_HIDDEN);
    }
    std::string root;
    bool hiddenReady = false;
};

// ---- Temporary folder and files -----------------------------------------------------------

std::string SystemTempFolder() {
    char temp[MAX_PATH + 1];
    GetTempPathA(sizeof temp, temp);
    char longForm[1024];
    return GetLongPathNameA(temp, longForm, sizeof longForm) > 0 ? longForm : temp;
}

TEST(SDiskTemp, TempFolderEndsWithSeparatorPerFlag) {
    SDisk disk;
    EXPECT_TRUE(disk.GetTrailingSeparator());
    const std::string expected = SystemTempFolder();
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(expected.back(), '\\');

    EXPECT_EQ(Text(disk.GetTempFolder()), expected);
    EXPECT_STREQ(disk.GetScratch(), expected.c_str());
    EXPECT_TRUE(disk.SetTrailingSeparator(false));
    EXPECT_FALSE(disk.GetTrailingSeparator());
    EXPECT_EQ(Text(disk.GetTempFolder()), expected.substr(0, expected.size() - 1));
    EXPECT_FALSE(disk.SetTrailingSeparator(true));
    EXPECT_TRUE(disk.FolderExists(expected.c_str()));
}

TEST(SDiskTemp, TempFolderComesInItsLongForm) {
    TestFolder folder;
    char shortForm[MAX_PATH];
    const DWORD n = GetShortPathNameA(folder.Path().c_str(), shortForm, sizeof shortForm);
    if (n == 0 || n >= sizeof shortForm || folder.Path() == shortForm)
        GTEST_SKIP() << "the file system gives no short names here";

    // The system takes the temporary folder from TMP (or TEMP) in whatever form it is.
    struct Variable {
        const char* name;
        std::string saved;
        bool had;
    };
    Variable variables[] = {{"TMP", "", false}, {"TEMP", "", false}};
    for (Variable& v : variables) {
        char value[1024];
        const DWORD length = GetEnvironmentVariableA(v.name, value, sizeof value);
        v.had = length > 0 && length < sizeof value;
        if (v.had) v.saved = value;
        SetEnvironmentVariableA(v.name, shortForm);
    }
    SDisk disk;
    const std::string answer = Text(disk.GetTempFolder());
    for (const Variable& v : variables)
        SetEnvironmentVariableA(v.name, v.had ? v.saved.c_str() : nullptr);

    EXPECT_EQ(answer, folder.Path()) << "short form " << shortForm;
}

TEST(SDiskTemp, TempFileNameCreatesAnEmptyTmpFile) {
    SDisk disk;
    const std::string first = Text(disk.GetTempFileName());
    RemoveAfterwards removeFirst(first);
    const std::string second = Text(disk.GetTempFileName());
    RemoveAfterwards removeSecond(second);

    const std::string folder = SystemTempFolder();
    for (const std::string& name : {first, second}) {
        ASSERT_EQ(name.compare(0, folder.size() + 3, folder + "tmp"), 0) << name;
        EXPECT_EQ(name.find('\\', folder.size()), std::string::npos) << name;
        EXPECT_TRUE(FileIsThere(name)) << name;
        EXPECT_EQ(disk.GetFileSize(name.c_str()), 0) << name;
    }
    EXPECT_NE(first, second);
    EXPECT_STREQ(disk.GetScratch(), second.c_str());
    EXPECT_TRUE(disk.GetTrailingSeparator());

    EXPECT_TRUE(disk.DeleteFile(first.c_str()));
    EXPECT_FALSE(FileIsThere(first));
}

TEST(SDiskTemp, TempFileNameKeepsAClearedFlagCleared) {
    SDisk disk;
    disk.SetTrailingSeparator(false);
    const std::string name = Text(disk.GetTempFileName());
    RemoveAfterwards remove(name);
    EXPECT_TRUE(FileIsThere(name));
    EXPECT_FALSE(disk.GetTrailingSeparator());
}

// ---- Sizes and checksums ------------------------------------------------------------------

TEST(SDiskFiles, FileSizeAndCrc) {
    TestFolder folder;
    struct Case {
        std::string name;
        std::string content;
        DWORD attribute;
    };
    const Case cases[] = {
        {"empty.bin", "", 0},
        {"digits.txt", "123456789", 0},
        {"one.txt", "a", 0},
        {"caf\xe9.txt", "caf\xe9 au lait", 0},
        {"hidden.txt", "hidden content", FILE_ATTRIBUTE_HIDDEN},
        {"readonly.txt", "read only", FILE_ATTRIBUTE_READONLY},
        {"big.bin", std::string(100000, 'x') + std::string(1234, '\0') + "end", 0},
        {"sub\\crossing.bin", std::string(250, '\x7f'), 0},
    };
    SDisk disk;
    for (const Case& c : cases) {
        const std::string path = folder.WriteFile(c.name, c.content);
        if (c.attribute) {
            ASSERT_TRUE(AddAttribute(path, c.attribute)) << c.name;
        }
        EXPECT_EQ(disk.GetFileSize(path.c_str()), static_cast<int>(c.content.size())) << c.name;
        EXPECT_EQ(disk.GetFileCrc(path.c_str()), ReferenceCrc(c.content)) << c.name;
    }
    EXPECT_EQ(disk.GetFileCrc((folder / "digits.txt").c_str()), 0xCBF43926u);
    EXPECT_EQ(disk.GetFileCrc((folder / "empty.bin").c_str()), 0u);
}

TEST(SDiskFiles, SizeAndCrcOfWhatCannotBeOpened) {
    TestFolder folder;
    SDisk disk;
    const std::string missing = folder / "missing.txt";
    EXPECT_EQ(disk.GetFileSize(""), -1);
    EXPECT_EQ(disk.GetFileSize(nullptr), -1);
    EXPECT_EQ(disk.GetFileSize(missing.c_str()), -1);
    EXPECT_EQ(disk.GetFileCrc(""), 0u);
    EXPECT_EQ(disk.GetFileCrc(missing.c_str()), 0u);
    EXPECT_EQ(disk.GetFileSize(folder.MakeFolder("sub").c_str()), -1);

    const std::string locked = folder.WriteFile("locked.txt", "123456789");
    {
        SHandle lock(LockExclusively(locked));
        ASSERT_TRUE(lock.IsValid());
        EXPECT_EQ(disk.GetFileSize(locked.c_str()), -1);
        EXPECT_EQ(disk.GetFileCrc(locked.c_str()), 0u);
        EXPECT_TRUE(disk.FileExists(locked.c_str()));
        EXPECT_FALSE(disk.DeleteFile(locked.c_str()));
    }
    EXPECT_EQ(disk.GetFileSize(locked.c_str()), 9);
    EXPECT_EQ(disk.GetFileCrc(locked.c_str()), 0xCBF43926u);
}

// ---- Existence tests ----------------------------------------------------------------------

TEST(SDiskExists, PathExistsLeavesTheFullPathInScratch) {
    TestFolder folder;
    const std::string file = folder.WriteFile("f.txt", "x");
    const std::string sub = folder.MakeFolder("sub");
    CurrentFolderScope scope(folder.Path());
    ASSERT_TRUE(scope.Changed());

    struct Case {
        std::string in;
        bool exists;
        std::string scratch;
    };
    const Case cases[] = {
        {file, true, file},
        {sub, true, sub},
        {sub.substr(0, sub.size() - 1), true, sub.substr(0, sub.size() - 1)},
        {"f.txt", true, file},
        {"sub\\..\\f.txt", true, file},
        {"sub/", true, sub},
        {folder / "missing.txt", false, ""},
        {"missing", false, ""},
        {"", false, ""},
        {folder.Path() + std::string(1100, 'n'), false, ""},
    };
    SDisk disk;
    for (const Case& c : cases) {
        EXPECT_EQ(disk.PathExists(c.in.c_str()), c.exists) << c.in;
        EXPECT_EQ(std::string(disk.GetScratch()), c.scratch) << c.in;
    }
    EXPECT_FALSE(disk.PathExists(nullptr));
}

TEST(SDiskExists, FileAndFolderTests) {
    TestFolder folder;
    const std::string file = folder.WriteFile("f.txt", "x");
    const std::string sub = folder.MakeFolder("sub");
    const std::string bare = sub.substr(0, sub.size() - 1);
    const std::string hiddenFile = folder.WriteFile("h.txt", "x");
    const std::string hiddenFolder = folder.MakeFolder("hf");
    const std::string readOnly = folder.WriteFile("ro.txt", "x");
    const std::string codePage = folder.WriteFile("caf\xe9.txt", "x");
    ASSERT_TRUE(AddAttribute(hiddenFile, FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(AddAttribute(hiddenFolder, FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(AddAttribute(readOnly, FILE_ATTRIBUTE_READONLY));

    struct Case {
        std::string in;
        bool file;
        bool folder;
    };
    const Case cases[] = {
        {file, true, false},
        {file + "\\", false, false},
        {folder.Path() + "sub/../f.txt", true, false},
        {sub, false, true},
        {bare, false, true},
        {bare + "/", false, true},
        {folder.Path(), false, true},
        {hiddenFile, true, false},
        {hiddenFolder, false, true},
        {readOnly, true, false},
        {codePage, true, false},
        {folder / "missing.txt", false, false},
        {folder / "missing\\", false, false},
        {"", false, false},
        {"C:\\", false, true},
    };
    SDisk disk;
    for (const Case& c : cases) {
        EXPECT_EQ(disk.FileExists(c.in.c_str()), c.file) << c.in;
        EXPECT_EQ(disk.FolderExists(c.in.c_str()), c.folder) << c.in;
    }
    EXPECT_FALSE(disk.FileExists(nullptr));
    EXPECT_FALSE(disk.FolderExists(nullptr));
}

TEST(SDiskExists, RelativePathsCountFromTheCurrentFolder) {
    TestFolder folder;
    folder.WriteFile("sub\\f.txt", "x");
    CurrentFolderScope scope(folder / "sub");
    ASSERT_TRUE(scope.Changed());
    SDisk disk;
    EXPECT_TRUE(disk.FileExists("f.txt"));
    EXPECT_FALSE(disk.FolderExists("f.txt"));
    EXPECT_TRUE(disk.FolderExists("."));
    EXPECT_TRUE(disk.FolderExists(".."));
    EXPECT_TRUE(disk.FolderExists("..\\sub\\"));
    EXPECT_FALSE(disk.FileExists("g.txt"));
}

// ---- Listing ------------------------------------------------------------------------------

TEST(SDiskList, WildcardListsWithAndWithoutHiddenEntries) {
    TestFolder folder;
    const Tree tree(folder);
    ASSERT_TRUE(tree.hiddenReady);
    const Names visibleFiles = {"a.txt",           "b.dat",      "caf\xe9.txt",
                                "sub\\c.txt",      "sub\\d.dat", "sub\\deeper\\e.txt",
                                "other.dir\\g.txt"};
    const Names hiddenFiles = {"hid.txt", "sub\\deeper\\hid2.txt", "hidden\\f.txt"};
    const Names visibleFolders = {"sub\\", "sub\\deeper\\", "other.dir\\"};
    const Names allFiles = Union(visibleFiles, hiddenFiles);
    const Names allFolders = Union(visibleFolders, {"hidden\\"});
    const Names allEntries = Union(allFiles, allFolders);
    const Names visibleEntries = Union(visibleFiles, visibleFolders);

    struct Case {
        const char* pattern;
        int mode;
        Names expected;
    };
    const Case cases[] = {
        {"*.*", 5, allFiles},
        {"*.*", 13, visibleFiles},
        {"*", 5, allFiles},
        {"*.*", 3, allFolders},
        {"*.*", 11, visibleFolders},
        {"*.*", 7, allEntries},
        {"*.*", 15, visibleEntries},
        {"*.*", 4, {"a.txt", "b.dat", "hid.txt", "caf\xe9.txt"}},
        {"*.*", 12, {"a.txt", "b.dat", "caf\xe9.txt"}},
        {"*.*", 2, {"sub\\", "hidden\\", "other.dir\\"}},
        {"*.txt", 4, {"a.txt", "hid.txt", "caf\xe9.txt"}},
        // Descent reaches every folder, also those whose own names do not match.
        {"*.txt",
         5,
         {"a.txt", "hid.txt", "caf\xe9.txt", "sub\\c.txt", "sub\\deeper\\e.txt",
          "sub\\deeper\\hid2.txt", "hidden\\f.txt", "other.dir\\g.txt"}},
        {"*.txt",
         13,
         {"a.txt", "caf\xe9.txt", "sub\\c.txt", "sub\\deeper\\e.txt", "other.dir\\g.txt"}},
        {"*.dat", 5, {"b.dat", "sub\\d.dat"}},
        {"*.dir", 3, {"other.dir\\"}},
        {"*.dir", 7, {"other.dir\\"}},
        {"d*", 3, {"sub\\deeper\\"}},
        {"*.none", 7, {}},
    };
    SDisk disk;
    for (const Case& c : cases) {
        SStringArray list;
        const std::string pattern = tree.root + c.pattern;
        const int added = disk.List(&list, pattern.c_str(), c.mode);
        EXPECT_EQ(Set(list), Prefixed(tree.root, c.expected)) << c.pattern << " mode " << c.mode;
        EXPECT_EQ(added, static_cast<int>(c.expected.size())) << c.pattern << " mode " << c.mode;
        EXPECT_EQ(list.GetCount(), added) << c.pattern << " mode " << c.mode;
    }
}

TEST(SDiskList, EachFolderComesBeforeItsContent) {
    TestFolder folder;
    const Tree tree(folder);
    SDisk disk;
    SStringArray list;
    ASSERT_EQ(disk.List(&list, (tree.root + "*.*").c_str(), 7), 14);
    const std::vector<std::string> items = Items(list);
    for (size_t i = 0; i < items.size(); ++i) {
        std::string parent = items[i];
        if (parent.back() == '\\') parent.pop_back();
        parent = parent.substr(0, parent.find_last_of('\\') + 1);
        if (parent == tree.root) continue;
        size_t at = 0;
        while (at < items.size() && items[at] != parent) ++at;
        EXPECT_LT(at, i) << items[i] << " comes before its folder " << parent;
    }
}

TEST(SDiskList, PatternWithoutStarAddsBareNamesAndNeverDescends) {
    TestFolder folder;
    const Tree tree(folder);
    ASSERT_TRUE(tree.hiddenReady);
    struct Case {
        const char* pattern;
        int mode;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a.txt", 4, {"a.txt"}},
        {"a.txt", 7, {"a.txt"}},
        {"a.txt", 2, {}},
        {"sub", 2, {"sub\\"}},
        {"sub", 7, {"sub\\"}},
        {"sub", 4, {}},
        {"hid.txt", 4, {"hid.txt"}},
        {"hid.txt", 12, {}},
        {"hidden", 10, {}},
        {"caf\xe9.txt", 4, {"caf\xe9.txt"}},
        {"?.txt", 5, {"a.txt"}},
        {"sub\\deeper", 3, {"deeper\\"}},
        {"missing.txt", 7, {}},
    };
    SDisk disk;
    for (const Case& c : cases) {
        SStringArray list;
        list.Add("first");
        const std::string pattern = tree.root + c.pattern;
        const int added = disk.List(&list, pattern.c_str(), c.mode);
        std::vector<std::string> expected = {"first"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(Items(list), expected) << c.pattern << " mode " << c.mode;
        EXPECT_EQ(added, static_cast<int>(c.expected.size())) << c.pattern << " mode " << c.mode;
    }
}

TEST(SDiskList, ModesThatAskForNothingReturnZero) {
    TestFolder folder;
    const Tree tree(folder);
    const std::string pattern = tree.root + "*.*";
    SDisk disk;
    for (int mode : {0, 1, 8, 9, 2 + 16 + 32, 2 + 64 + 128, 3 + 16 + 32, 2 + 16 + 32 + 64 + 128,
                     16 + 32 + 64 + 128}) {
        SStringArray list;
        int files = 0;
        int folders = 0;
        EXPECT_EQ(disk.List(&list, pattern.c_str(), mode, &files, &folders), 0) << mode;
        EXPECT_EQ(list.GetCount(), 0) << mode;
        EXPECT_EQ(files + folders, 0) << mode;
    }
    EXPECT_EQ(disk.List(nullptr, "", 7), 0);
    EXPECT_EQ(disk.List(nullptr, nullptr, 7), 0);
}

TEST(SDiskList, MissingFolderListsNothing) {
    TestFolder folder;
    SDisk disk;
    SStringArray list;
    for (const char* pattern : {"missing\\*.*", "missing\\*.txt", "missing\\f.txt", "missing"})
        EXPECT_EQ(disk.List(&list, (folder / pattern).c_str(), 7), 0) << pattern;
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(SDiskList, CountersCountThePatternsOwnLevel) {
    TestFolder folder;
    const Tree tree(folder);
    const std::string pattern = tree.root + "*.*";
    SDisk disk;
    int files = 10;
    int folders = 20;
    EXPECT_EQ(disk.List(nullptr, pattern.c_str(), 6, &files, &folders), 7);
    EXPECT_EQ(files, 14);
    EXPECT_EQ(folders, 23);

    files = 0;
    folders = 0;
    EXPECT_EQ(disk.List(nullptr, pattern.c_str(), 15, &files, &folders), 10);
    EXPECT_EQ(files, 3);
    EXPECT_EQ(folders, 2);

    files = 0;
    folders = 0;
    EXPECT_EQ(disk.List(nullptr, (tree.root + "sub").c_str(), 7, &files, &folders), 1);
    EXPECT_EQ(files, 0);
    EXPECT_EQ(folders, 1);
}

TEST(SDiskList, FolderFilters) {
    TestFolder folder;
    folder.WriteFile("top.txt", "x");
    folder.MakeFolder("empty");
    folder.WriteFile("onlyfile\\x.txt", "x");
    folder.MakeFolder("onlyfolder\\inner");
    folder.WriteFile("both\\y.txt", "x");
    folder.MakeFolder("both\\inner");
    const std::string hiddenOnly = folder.WriteFile("hiddenonly\\h.txt", "x");
    ASSERT_TRUE(AddAttribute(hiddenOnly, FILE_ATTRIBUTE_HIDDEN));

    struct Case {
        int mode;
        Names expected;
    };
    const Case cases[] = {
        {2, {"empty\\", "onlyfile\\", "onlyfolder\\", "both\\", "hiddenonly\\"}},
        {2 + 16, {"empty\\", "onlyfolder\\"}},
        {2 + 16 + 8, {"empty\\", "onlyfolder\\", "hiddenonly\\"}},
        {2 + 32, {"onlyfile\\", "both\\", "hiddenonly\\"}},
        {2 + 32 + 8, {"onlyfile\\", "both\\"}},
        {2 + 64, {"empty\\", "onlyfile\\", "hiddenonly\\"}},
        {2 + 128, {"onlyfolder\\", "both\\"}},
        {2 + 16 + 64, {"empty\\"}},
        {2 + 16 + 64 + 8, {"empty\\", "hiddenonly\\"}},
        {2 + 32 + 128, {"both\\"}},
        {2 + 16 + 128, {"onlyfolder\\"}},
        // Impossible pairs drop the folders and leave the files.
        {6 + 16 + 32, {"top.txt"}},
        {6 + 64 + 128, {"top.txt"}},
        // Without folders asked for, the filters do not apply.
        {4 + 16, {"top.txt"}},
        {3 + 16 + 64, {"empty\\", "onlyfolder\\inner\\", "both\\inner\\"}},
        {7 + 32,
         {"top.txt", "onlyfile\\", "onlyfile\\x.txt", "both\\", "both\\y.txt", "hiddenonly\\",
          "hiddenonly\\h.txt"}},
    };
    SDisk disk;
    const std::string pattern = folder / "*.*";
    for (const Case& c : cases) {
        SStringArray list;
        const int added = disk.List(&list, pattern.c_str(), c.mode);
        EXPECT_EQ(Set(list), Prefixed(folder.Path(), c.expected)) << "mode " << c.mode;
        EXPECT_EQ(added, static_cast<int>(c.expected.size())) << "mode " << c.mode;
    }

    // A folder named without a wildcard passes the same filters.
    SStringArray list;
    EXPECT_EQ(disk.List(&list, (folder / "empty").c_str(), 2 + 16 + 64), 1);
    EXPECT_EQ(disk.List(&list, (folder / "both").c_str(), 2 + 16), 0);
    EXPECT_EQ(disk.List(&list, (folder / "both").c_str(), 2 + 32 + 128), 1);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"empty\\", "both\\"}));
}

TEST(SDiskList, FlagFormBuildsTheMode) {
    TestFolder folder;
    folder.WriteFile("top.txt", "x");
    folder.MakeFolder("empty");
    folder.WriteFile("full\\x.txt", "x");
    folder.MakeFolder("full\\inner");
    const std::string hiddenFile = folder.WriteFile("full\\h.txt", "x");
    ASSERT_TRUE(AddAttribute(hiddenFile, FILE_ATTRIBUTE_HIDDEN));
    const std::string pattern = folder / "*.*";

    const Names everything = {"top.txt",     "empty\\",     "full\\",
                              "full\\x.txt", "full\\h.txt", "full\\inner\\"};
    struct Case {
        bool descend;
        bool folders;
        bool files;
        bool emptyFoldersOnly;
        bool includeHidden;
        Names expected;
    };
    const Case cases[] = {
        {true, false, true, false, true, {"top.txt", "full\\x.txt", "full\\h.txt"}},
        {true, false, true, false, false, {"top.txt", "full\\x.txt"}},
        {false, false, true, false, true, {"top.txt"}},
        {true, true, false, true, true, {"empty\\", "full\\inner\\"}},
        {false, true, false, true, true, {"empty\\"}},
        {false, true, false, false, true, {"empty\\", "full\\"}},
        {true, true, true, false, true, everything},
        {false, false, false, false, true, {}},
    };
    SDisk disk;
    for (const Case& c : cases) {
        SStringArray list;
        const int added = disk.List(&list, pattern.c_str(), c.descend, c.folders, c.files,
                                    c.emptyFoldersOnly, c.includeHidden);
        EXPECT_EQ(Set(list), Prefixed(folder.Path(), c.expected))
            << c.descend << c.folders << c.files << c.emptyFoldersOnly << c.includeHidden;
        EXPECT_EQ(added, static_cast<int>(c.expected.size()));
    }
}

TEST(SDiskList, PatternTextKeepsItsOwnForm) {
    TestFolder folder;
    folder.WriteFile("sub\\c.txt", "x");
    folder.WriteFile("d.txt", "x");
    SDisk disk;
    SStringArray list;
    EXPECT_EQ(disk.List(&list, (folder.Path() + "sub/*.*").c_str(), 4), 1);
    EXPECT_EQ(Items(list), std::vector<std::string>{folder.Path() + "sub/c.txt"});

    // Without a folder part the names come relative to the current folder.
    CurrentFolderScope scope(folder.Path());
    ASSERT_TRUE(scope.Changed());
    SStringArray relative;
    EXPECT_EQ(disk.List(&relative, "*.txt", 5), 2);
    EXPECT_EQ(Set(relative), (Names{"d.txt", "sub\\c.txt"}));
}

TEST(SDiskList, LargeFolderMatchesExactly) {
    TestFolder folder;
    Names dat;
    for (int i = 0; i < 600; ++i) {
        char name[32];
        snprintf(name, sizeof name, "n%04d.txt", i);
        folder.WriteFile(name, "");
        snprintf(name, sizeof name, "n%04d.dat", i);
        folder.WriteFile(name, "");
        dat.insert(name);
    }
    folder.WriteFile("sub\\n9999.dat", "");
    dat.insert("sub\\n9999.dat");
    SDisk disk;
    SStringArray list;
    EXPECT_EQ(disk.List(&list, (folder / "*.dat").c_str(), 5), 601);
    EXPECT_EQ(Set(list), Prefixed(folder.Path(), dat));
    EXPECT_EQ(disk.List(nullptr, (folder / "*.*").c_str(), 5), 1201);
}

// ---- Folders, deletion, programs ----------------------------------------------------------

TEST(SDiskCreate, ThreeLevelsWithAndWithoutParents) {
    TestFolder folder;
    SDisk disk;
    const std::string deep = folder / "a\\b\\c\\";
    const bool made = disk.CreateFolder(deep.c_str(), false);
    const DWORD error = GetLastError();
    EXPECT_FALSE(made);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(FolderIsThere(folder / "a"));

    EXPECT_TRUE(disk.CreateFolder(deep.c_str(), true));
    EXPECT_TRUE(FolderIsThere(folder / "a"));
    EXPECT_TRUE(FolderIsThere(folder / "a\\b"));
    EXPECT_TRUE(FolderIsThere(folder / "a\\b\\c"));
    EXPECT_TRUE(disk.CreateFolder(deep.c_str(), false));  // already there

    struct Case {
        const char* in;
        const char* made;
    };
    const Case cases[] = {
        {"x\\y\\z", "x\\y\\z"},
        {"p/q/r/", "p\\q\\r"},
        {"caf\xe9\\d\xe9j\xe0\\", "caf\xe9\\d\xe9j\xe0"},
        {"a\\b\\c\\d", "a\\b\\c\\d"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(disk.CreateFolder((folder / c.in).c_str(), true)) << c.in;
        EXPECT_TRUE(FolderIsThere(folder / c.made)) << c.in;
    }
    EXPECT_TRUE(disk.FolderExists((folder / "caf\xe9\\d\xe9j\xe0").c_str()));
}

TEST(SDiskCreate, RefusedPaths) {
    TestFolder folder;
    const std::string file = folder.WriteFile("f.txt", "x");
    // A drive letter that names no drive here.
    std::string missingDrive;
    const DWORD drives = GetLogicalDrives();
    for (int letter = 25; letter >= 3 && missingDrive.empty(); --letter)
        if (!(drives & (1u << letter))) missingDrive = std::string(1, char('A' + letter)) + ":\\";
    ASSERT_FALSE(missingDrive.empty());

    SDisk disk;
    const std::string cases[] = {
        "", "C:\\", file, file + "\\sub\\", folder / "a?b\\", missingDrive + "x\\y\\",
    };
    for (const std::string& path : cases) {
        EXPECT_FALSE(disk.CreateFolder(path.c_str(), true)) << path;
        EXPECT_FALSE(disk.CreateFolder(path.c_str(), false)) << path;
    }
    EXPECT_FALSE(disk.CreateFolder(nullptr, true));
    EXPECT_TRUE(FileIsThere(file));
}

TEST(SDiskDelete, DeleteFile) {
    TestFolder folder;
    const std::string file = folder.WriteFile("f.txt", "x");
    const std::string readOnly = folder.WriteFile("ro.txt", "x");
    ASSERT_TRUE(AddAttribute(readOnly, FILE_ATTRIBUTE_READONLY));
    const std::string hidden = folder.WriteFile("caf\xe9.txt", "x");
    ASSERT_TRUE(AddAttribute(hidden, FILE_ATTRIBUTE_HIDDEN));
    SDisk disk;

    EXPECT_TRUE(disk.DeleteFile(file.c_str()));
    EXPECT_FALSE(FileIsThere(file));
    EXPECT_FALSE(disk.DeleteFile(file.c_str()));
    EXPECT_FALSE(disk.DeleteFile((folder / "never.txt").c_str()));
    EXPECT_FALSE(disk.DeleteFile(""));
    EXPECT_FALSE(disk.DeleteFile(folder.MakeFolder("sub").c_str()));
    EXPECT_FALSE(disk.DeleteFile(readOnly.c_str()));
    EXPECT_TRUE(FileIsThere(readOnly));
    EXPECT_TRUE(disk.DeleteFile(hidden.c_str()));
    EXPECT_FALSE(FileIsThere(hidden));
}

TEST(SDiskExecute, MissingProgramFails) {
    TestFolder folder;
    SDisk disk;
    EXPECT_FALSE(disk.Execute((folder / "missing.exe").c_str(), "", true, SW_HIDE));
    EXPECT_FALSE(disk.Execute((folder / "missing.exe").c_str(), nullptr, false, SW_HIDE));
    EXPECT_FALSE(disk.Execute("", nullptr, false, SW_HIDE));
}

// A batch file that writes its working folder and first parameter into a report beside
// itself. It leaves that folder before the report appears whole, by renaming, so that the
// test folders can go as soon as the test has read it.
std::string WriteReporter(const TestFolder& folder) {
    const std::string report = "\"" + folder / "report.tmp" + "\"";
    const std::string script = "@cd > " + report + "\r\n@echo %~1>> " + report +
                               "\r\n@cd /d %SystemDrive%\\\r\n@ren " + report + " report.txt\r\n";
    return folder.WriteFile("report.bat", script);
}

TEST(SDiskExecute, StartsInTheProgramsFolderWhenAsked) {
    TestFolder folder;
    const std::string program = WriteReporter(folder);
    SDisk disk;
    ASSERT_TRUE(disk.Execute(program.c_str(), "hello", true, SW_HIDE));
    ASSERT_TRUE(WaitForFile(folder / "report.txt"));
    const std::string expected =
        folder.Path().substr(0, folder.Path().size() - 1) + "\r\nhello\r\n";
    EXPECT_EQ(ReadWholeFile(folder / "report.txt"), expected);
}

TEST(SDiskExecute, StartsInTheCurrentFolderOtherwise) {
    TestFolder folder;
    TestFolder elsewhere;
    const std::string program = WriteReporter(folder);
    SDisk disk;
    {
        CurrentFolderScope scope(elsewhere.Path());
        ASSERT_TRUE(scope.Changed());
        ASSERT_TRUE(disk.Execute(program.c_str(), "two", false, SW_HIDE));
        ASSERT_TRUE(WaitForFile(folder / "report.txt"));
    }
    const std::string expected =
        elsewhere.Path().substr(0, elsewhere.Path().size() - 1) + "\r\ntwo\r\n";
    EXPECT_EQ(ReadWholeFile(folder / "report.txt"), expected);
}

TEST(SDiskUnique, UniqueFileName) {
    TestFolder folder;
    SDisk disk;
    EXPECT_EQ(Text(disk.GetUniqueFileName((folder / "missing\\").c_str(), "log", "txt")), "");

    const std::string first = Text(disk.GetUniqueFileName(folder.Path().c_str(), "log", "txt"));
    EXPECT_EQ(first, folder / "log.txt");
    EXPECT_EQ(Text(disk.GetUniqueFileName(folder.Path().c_str(), "log", "")), folder / "log");
    EXPECT_EQ(Text(disk.GetUniqueFileName(folder.Path().c_str(), "log", nullptr)), folder / "log");

    folder.WriteFile("log.txt", "taken");
    const std::string next = Text(disk.GetUniqueFileName(folder.Path().c_str(), "log", "txt"));
    ASSERT_GT(next.size(), first.size()) << next;
    EXPECT_EQ(next.compare(0, folder.Path().size() + 3, folder / "log"), 0) << next;
    EXPECT_EQ(next.substr(next.size() - 4), ".txt");
    const std::string number = next.substr(folder.Path().size() + 3, next.size() - first.size());
    ASSERT_FALSE(number.empty()) << next;
    EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << next;
    EXPECT_LT(strtol(number.c_str(), nullptr, 10), 1000000L) << next;
    EXPECT_FALSE(FileIsThere(next));

    // Without the trailing-separator habit the folder comes without its separator.
    disk.SetTrailingSeparator(false);
    const std::string bare = folder.Path().substr(0, folder.Path().size() - 1);
    EXPECT_EQ(Text(disk.GetUniqueFileName(bare.c_str(), "new", "bin")), folder / "new.bin");
}

}  // namespace
