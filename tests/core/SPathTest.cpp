// SPath: classification, normalisation and the pieces of local, share and URL paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/SPath.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"
#include "tests/support/TestFolder.h"

namespace {

std::string Text(const SString& s) { return s.GetSafeText(); }

std::vector<std::string> Items(const SStringArray& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.GetCount(); ++i) items.push_back(Text(list.GetText(i)));
    return items;
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

// A local path of exactly `length` characters: components of eight characters under C:\,
// then a name that fills up the rest.
std::string LocalPathOfLength(size_t length) {
    std::string path = "C:\\";
    while (path.size() + 9 + 4 < length) path += "abcdefgh\\";
    path.append(length - path.size(), 'n');
    return path;
}

struct PieceCase {
    const char* in;
    int kind;
    const char* full;
    const char* root;
    const char* folder;
    const char* name;
};

TEST(SPath, SetPathClassifiesAndNormalises) {
    const PieceCase cases[] = {
        {"C:\\A\\b.txt", SPath::kLocal, "C:\\A\\b.txt", "C:\\", "A\\", "b.txt"},
        {"C:/A/b.TXT", SPath::kLocal, "C:\\A\\b.TXT", "C:\\", "A\\", "b.TXT"},
        {"C:\\A\\B\\..\\.\\f.txt", SPath::kLocal, "C:\\A\\f.txt", "C:\\", "A\\", "f.txt"},
        {"C:\\", SPath::kLocal, "C:\\", "C:\\", "", ""},
        {"C:\\A\\B\\", SPath::kLocal, "C:\\A\\B\\", "C:\\", "A\\B\\", ""},
        {"C:\\caf\xe9\\r\xe9sum\xe9.txt", SPath::kLocal, "C:\\caf\xe9\\r\xe9sum\xe9.txt", "C:\\",
         "caf\xe9\\", "r\xe9sum\xe9.txt"},
        {"\\\\srv\\share\\x.doc", SPath::kNetwork, "\\\\srv\\share\\x.doc", "\\\\srv\\", "share\\",
         "x.doc"},
        {"\\\\srv/share/x.doc", SPath::kNetwork, "\\\\srv\\share\\x.doc", "\\\\srv\\", "share\\",
         "x.doc"},
        {"\\\\srv", SPath::kNetwork, "\\\\srv", "\\\\srv\\", "", ""},
        {"//srv/share/x.doc", SPath::kNetwork, "\\\\srv\\share\\x.doc", "\\\\srv\\", "share\\",
         "x.doc"},
        {"web://srv/dir/f.zip", SPath::kUrl, "web://srv/dir/f.zip", "web://srv/", "dir/", "f.zip"},
        {"http://host\\a\\b.htm", SPath::kUrl, "http://host/a/b.htm", "http://host/", "a/",
         "b.htm"},
        {"web://srv", SPath::kUrl, "web://srv", "web://srv/", "", ""},
        {"web://srv/", SPath::kUrl, "web://srv/", "web://srv/", "", ""},
    };
    for (const PieceCase& c : cases) {
        SPath path;
        EXPECT_EQ(path.SetPath(c.in), c.kind) << c.in;
        EXPECT_EQ(path.GetKind(), c.kind) << c.in;
        EXPECT_EQ(Text(path.GetGiven()), c.in) << c.in;
        EXPECT_EQ(Text(path.GetPath()), c.full) << c.in;
        EXPECT_EQ(Text(path.GetRoot()), c.root) << c.in;
        EXPECT_EQ(Text(path.GetFolder()), c.folder) << c.in;
        EXPECT_EQ(Text(path.GetName()), c.name) << c.in;
        EXPECT_EQ(path.IsNetwork(), c.kind == SPath::kNetwork) << c.in;
        EXPECT_EQ(path.IsUrl(), c.kind == SPath::kUrl) << c.in;
        EXPECT_EQ(path.GetSeparator(), c.kind == SPath::kUrl ? '/' : '\\') << c.in;
    }
}

TEST(SPath, ConstructorWithTextSetsThePath) {
    const SPath path("C:/A/f.txt");
    EXPECT_TRUE(path.IsValid());
    EXPECT_EQ(Text(path.GetPath()), "C:\\A\\f.txt");
    const SPath empty;
    EXPECT_FALSE(empty.IsValid());
    EXPECT_EQ(Text(empty.GetPath()), "");
    EXPECT_EQ(Text(empty.GetGiven()), "");
}

TEST(SPath, RefusedCharactersKeepThePreviousTexts) {
    const char* refused[] = {"a?b",  "C:\\a*.txt", "C:\\<a>", "C:\\a>b",       "C:\\\"a\"",
                             "a\tb", "a\x01z",     "a\x1f",   "web://srv/?q=1"};
    for (const char* text : refused) {
        SPath path("C:\\A\\f.txt");
        ASSERT_TRUE(path.IsValid());
        EXPECT_EQ(path.SetPath(text), SPath::kInvalid) << text;
        EXPECT_FALSE(path.IsValid()) << text;
        EXPECT_EQ(Text(path.GetGiven()), "C:\\A\\f.txt") << text;
        EXPECT_EQ(Text(path.GetPath()), "") << text;
        EXPECT_EQ(Text(path.GetName()), "") << text;
    }
    // Characters of the code page above 127 are ordinary path characters.
    SPath path;
    EXPECT_EQ(path.SetPath("C:\\caf\xe9.txt"), SPath::kLocal);
}

TEST(SPath, EmptyTextEmptiesBothTexts) {
    SPath path("C:\\A\\f.txt");
    EXPECT_EQ(path.SetPath(""), SPath::kInvalid);
    EXPECT_EQ(Text(path.GetGiven()), "");
    path.SetPath("C:\\A\\f.txt");
    EXPECT_EQ(path.SetPath(nullptr), SPath::kInvalid);
    EXPECT_EQ(Text(path.GetGiven()), "");
    EXPECT_EQ(Text(path.GetPath()), "");
}

TEST(SPath, UrlNeedsTwoSlashesBehindItsFirstColon) {
    SPath path;
    EXPECT_EQ(path.SetPath("a:b://c/d"), SPath::kInvalid);
    EXPECT_EQ(Text(path.GetGiven()), "a:b://c/d");
    EXPECT_EQ(Text(path.GetRoot()), "");
    EXPECT_EQ(path.SetPath("ftp://srv/a"), SPath::kUrl);
}

TEST(SPath, InvalidPathAnswersEmpty) {
    SPath path("a?b");
    SStringArray list;
    list.Add("kept");
    EXPECT_FALSE(path.IsValid());
    EXPECT_EQ(Text(path.GetRoot()), "");
    EXPECT_EQ(Text(path.GetName()), "");
    EXPECT_EQ(Text(path.GetTitle()), "");
    EXPECT_EQ(Text(path.GetExtension()), "");
    EXPECT_EQ(Text(path.GetFolder()), "");
    EXPECT_EQ(Text(path.GetParent()), "");
    EXPECT_EQ(Text(path.GetLastFolderName()), "");
    EXPECT_FALSE(path.IsFolder());
    EXPECT_FALSE(path.IsSubFolder());
    EXPECT_EQ(path.Split(list), 0);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(path.GetPartCount(), 0);
    EXPECT_EQ(Text(path.GetParts(0, -1, false, '\\')), "");
}

TEST(SPath, RelativeTextsCountFromTheCurrentFolder) {
    TestFolder folder;
    CurrentFolderScope scope(folder.Path());
    ASSERT_TRUE(scope.Changed());
    const std::string current = CurrentFolder();  // without a final separator
    const std::string above = current.substr(0, current.find_last_of('\\') + 1);

    struct Case {
        const char* in;
        std::string full;
    };
    const Case cases[] = {
        {".", current + "\\"},
        {"..", above},
        {"sub\\f.txt", current + "\\sub\\f.txt"},
        {"sub/", current + "\\sub\\"},
        {".\\x\\..\\f.txt", current + "\\f.txt"},
    };
    for (const Case& c : cases) {
        SPath path;
        EXPECT_EQ(path.SetPath(c.in), SPath::kLocal) << c.in;
        EXPECT_EQ(Text(path.GetPath()), c.full) << c.in;
    }
    SPath dot(".");
    EXPECT_TRUE(dot.IsFolder());
    EXPECT_EQ(Text(dot.GetGiven()), ".");
}

TEST(SPath, DotInADriveRootGetsNoSecondSeparator) {
    CurrentFolderScope scope("C:\\");
    ASSERT_TRUE(scope.Changed());
    SPath path(".");
    EXPECT_EQ(Text(path.GetPath()), "C:\\");
    EXPECT_TRUE(path.IsFolder());
    EXPECT_FALSE(path.IsSubFolder());
}

TEST(SPath, FullFormsOfUpTo1023CharactersAreAccepted) {
    const std::string longest = LocalPathOfLength(1023);
    ASSERT_EQ(longest.size(), 1023u);
    SPath path;
    EXPECT_EQ(path.SetPath(longest.c_str()), SPath::kLocal);
    EXPECT_EQ(Text(path.GetPath()), longest);
    EXPECT_EQ(path.GetPartCount(),
              1 + static_cast<int>(std::count(longest.begin(), longest.end(), '\\')));

    const std::string tooLong = LocalPathOfLength(1024);
    EXPECT_EQ(path.SetPath(tooLong.c_str()), SPath::kInvalid);
    EXPECT_EQ(Text(path.GetPath()), "");
    EXPECT_EQ(Text(path.GetGiven()), tooLong);
    EXPECT_EQ(path.SetPath(LocalPathOfLength(5000).c_str()), SPath::kInvalid);

    // What counts is the full form: a long text that resolves to a short path is fine.
    std::string winding = "C:\\A\\";
    while (winding.size() < 1500) winding += "xx\\..\\";
    winding += "f.txt";
    EXPECT_EQ(path.SetPath(winding.c_str()), SPath::kLocal);
    EXPECT_EQ(Text(path.GetPath()), "C:\\A\\f.txt");
}

TEST(SPath, SetFolderAddsTheSeparator) {
    struct Case {
        const char* in;
        const char* given;
        const char* full;
        const char* root;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\A", "C:\\A\\", "C:\\A\\", "C:\\", "A\\"},
        {"C:\\A\\", "C:\\A\\", "C:\\A\\", "C:\\", "A\\"},
        {"C:\\A/", "C:\\A/", "C:\\A\\", "C:\\", "A\\"},
        {"C:\\A\\B", "C:\\A\\B\\", "C:\\A\\B\\", "C:\\", "A\\B\\"},
        {"C:\\", "C:\\", "C:\\", "C:\\", ""},
        {"\\\\srv\\share", "\\\\srv\\share\\", "\\\\srv\\share\\", "\\\\srv\\", "share\\"},
        {"web://srv/dir", "web://srv/dir\\", "web://srv/dir/", "web://srv/", "dir/"},
    };
    for (const Case& c : cases) {
        SPath path;
        EXPECT_NE(path.SetFolder(c.in), SPath::kInvalid) << c.in;
        EXPECT_EQ(Text(path.GetGiven()), c.given) << c.in;
        EXPECT_EQ(Text(path.GetPath()), c.full) << c.in;
        EXPECT_EQ(Text(path.GetRoot()), c.root) << c.in;
        EXPECT_EQ(Text(path.GetFolder()), c.folder) << c.in;
        EXPECT_EQ(Text(path.GetName()), "") << c.in;
        EXPECT_TRUE(path.IsFolder()) << c.in;
    }
    SPath path;
    EXPECT_EQ(path.SetFolder(""), SPath::kInvalid);
    EXPECT_EQ(path.SetFolder("a?b"), SPath::kInvalid);
}

TEST(SPath, TitleAndExtension) {
    struct Case {
        const char* in;
        const char* title;
        const char* withDot;
        const char* withoutDot;
        const char* lower;
    };
    const Case cases[] = {
        {"C:/A/b.TXT", "b", ".TXT", "TXT", "txt"},
        {"C:\\A\\x.tar.GZ", "x.tar", ".GZ", "GZ", "gz"},
        {"C:\\A\\noext", "noext", "", "", ""},
        {"C:\\A.d\\f", "f", "", "", ""},
        {"C:\\A\\.profile", "", ".profile", "profile", "profile"},
        {"C:\\A\\", "", "", "", ""},
        {"web://srv/d.x/f.ZIP", "f", ".ZIP", "ZIP", "zip"},
    };
    for (const Case& c : cases) {
        const SPath path(c.in);
        ASSERT_TRUE(path.IsValid()) << c.in;
        EXPECT_EQ(Text(path.GetTitle()), c.title) << c.in;
        EXPECT_EQ(Text(path.GetExtension(true, false)), c.withDot) << c.in;
        EXPECT_EQ(Text(path.GetExtension(false, false)), c.withoutDot) << c.in;
        EXPECT_EQ(Text(path.GetExtension(false, true)), c.lower) << c.in;
    }
    EXPECT_EQ(Text(SPath("C:\\A\\b.TXT").GetExtension()), ".TXT");
}

TEST(SPath, ParentAndFolderTests) {
    struct Case {
        const char* in;
        const char* parent;
        bool isFolder;
        bool isSubFolder;
        const char* lastFolder;
    };
    const Case cases[] = {
        {"C:\\A\\f.txt", "C:\\A\\", false, false, "A\\"},
        {"C:\\f.txt", "C:\\", false, false, ""},
        {"C:\\A\\B\\", "C:\\A\\", true, true, "B\\"},
        {"C:\\A\\", "C:\\", true, true, "A\\"},
        {"C:\\", "", true, false, ""},
        {"C:\\A\\B\\f.txt", "C:\\A\\B\\", false, false, "B\\"},
        {"\\\\srv\\share\\x.doc", "\\\\srv\\share\\", false, false, "share\\"},
        {"\\\\srv\\share\\", "\\\\srv\\", true, true, "share\\"},
        {"\\\\srv\\", "", true, false, ""},
        {"web://srv/dir/f.zip", "web://srv/dir/", false, false, "dir/"},
        {"web://srv/a/b/", "web://srv/a/", true, true, "b/"},
        {"web://srv/dir/", "web://srv/", true, true, "dir/"},
        {"web://srv", "", true, false, ""},
    };
    for (const Case& c : cases) {
        const SPath path(c.in);
        ASSERT_TRUE(path.IsValid()) << c.in;
        EXPECT_EQ(Text(path.GetParent()), c.parent) << c.in;
        EXPECT_EQ(path.IsFolder(), c.isFolder) << c.in;
        EXPECT_EQ(path.IsSubFolder(), c.isSubFolder) << c.in;
        EXPECT_EQ(Text(path.GetLastFolderName()), c.lastFolder) << c.in;
        std::string bare = c.lastFolder;
        if (!bare.empty()) bare.pop_back();
        EXPECT_EQ(Text(path.GetLastFolderName(true)), bare) << c.in;
    }
}

TEST(SPath, SplitAppendsRootFoldersAndName) {
    struct Case {
        const char* in;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"C:\\A\\B\\f.txt", {"C:\\", "A\\", "B\\", "f.txt"}},
        {"C:\\A\\", {"C:\\", "A\\", ""}},
        {"C:\\", {"C:\\", ""}},
        {"C:\\f", {"C:\\", "f"}},
        {"\\\\srv\\share\\x.doc", {"\\\\srv\\", "share\\", "x.doc"}},
        {"web://srv/dir/f.zip", {"web://srv/", "dir/", "f.zip"}},
        {"web://srv", {"web://srv/", ""}},
    };
    for (const Case& c : cases) {
        const SPath path(c.in);
        SStringArray list;
        list.Add("before");
        EXPECT_EQ(path.Split(list), static_cast<int>(c.parts.size())) << c.in;
        std::vector<std::string> expected = {"before"};
        expected.insert(expected.end(), c.parts.begin(), c.parts.end());
        EXPECT_EQ(Items(list), expected) << c.in;
        EXPECT_EQ(path.GetPartCount(), static_cast<int>(c.parts.size())) << c.in;
    }
}

TEST(SPath, GetPartsJoinsARun) {
    struct Case {
        const char* in;
        int start;
        int count;
        bool dropName;
        char separator;
        const char* parts;
    };
    const Case cases[] = {
        {"C:\\A\\B\\f.txt", 1, -1, true, '\\', "A\\B\\"},
        {"C:\\A\\B\\f.txt", 5, 1, false, '\\', ""},
        {"C:\\A\\B\\f.txt", 1, -1, false, '\\', "A\\B\\f.txt"},
        {"C:\\A\\B\\f.txt", 0, -1, false, '/', "C:/A/B/f.txt"},
        {"C:\\A\\B\\f.txt", 1, 2, false, '\\', "A\\B\\"},
        {"C:\\A\\B\\f.txt", 1, 2, true, '\\', "A\\B\\"},
        {"C:\\A\\B\\f.txt", 2, 10, false, '\\', "B\\f.txt"},
        {"C:\\A\\B\\f.txt", 3, 1, true, '\\', ""},
        {"C:\\A\\B\\f.txt", 4, -1, false, '\\', ""},
        {"C:\\A\\B\\f.txt", -1, -1, false, '\\', ""},
        {"C:\\A\\B\\f.txt", 1, 0, false, '\\', ""},
        {"C:\\A\\", 0, -1, true, '\\', "C:\\A\\"},
        {"web://srv/dir/f.zip", 1, -1, false, '\\', "dir\\f.zip"},
        {"web://srv/dir/f.zip", 0, 1, false, '/', "web://srv/"},
        {"\\\\srv\\share\\x.doc", 0, -1, false, '/', "//srv/share/x.doc"},
    };
    for (const Case& c : cases) {
        const SPath path(c.in);
        EXPECT_EQ(Text(path.GetParts(c.start, c.count, c.dropName, c.separator)), c.parts)
            << c.in << " start " << c.start << " count " << c.count;
    }
}

// The package builder names each archive entry by the file's path below the chosen folder.
TEST(SPath, GetPartsFormsEntryNamesBelowAFolder) {
    struct Case {
        const char* folder;
        const char* file;
        const char* entry;
    };
    const Case cases[] = {
        {"C:\\A", "C:\\A\\sub\\f.txt", "sub\\f.txt"},
        {"C:\\A\\", "C:\\A\\f.txt", "f.txt"},
        {"C:\\src", "C:\\src\\bin\\tool.dll", "bin\\tool.dll"},
        {"C:/src/", "C:\\src\\a\\b\\c\\deep.bin", "a\\b\\c\\deep.bin"},
        {"C:\\src", "C:\\src\\sub\\Update.exe", "sub\\Update.exe"},
    };
    for (const Case& c : cases) {
        SPath folder;
        ASSERT_EQ(folder.SetFolder(c.folder), SPath::kLocal) << c.folder;
        const int n = folder.GetPartCount();
        const SPath file(c.file);
        EXPECT_EQ(Text(file.GetParts(n - 1, -1, false, '\\')), c.entry) << c.file;
    }
    SPath folder;
    folder.SetFolder("C:\\A");
    EXPECT_EQ(folder.GetPartCount(), 3);
}

}  // namespace
