// SPath: classification, normalisation and the pieces of local, share and URL paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/SPath.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"
#include "tests/support/TestFolder.h"

namespace {

std::string Text(const SString& s) { return s.GetSafeText(); }

// A local path of exactly `length` characters: components of eight characters under C:\,
// then a name that fills up the rest.
std::string LocalPathOfLength(size_t length) {
    std::string path = "C:\\";
    while (path.size() + 9 + 4 < length) path += "abcdefgh\\";
    return path.append(length - path.size(), 'n');
}

// Every piece of a path at once. A path is a folder exactly when its name is empty, and a
// subfolder when it also has a folder part.
TEST(SPath, SetPathClassifiesNormalisesAndTakesApart) {
    struct Case {
        const char* in;
        int kind;
        const char* full;
        const char* root;
        const char* folder;
        const char* name;
        const char* parent;
        const char* lastFolder;
    };
    const int kLocal = SPath::kLocal, kNetwork = SPath::kNetwork, kUrl = SPath::kUrl;
    const Case cases[] = {
        {"C:/A\\B\\..\\.\\f.txt", kLocal, "C:\\A\\f.txt", "C:\\", "A\\", "f.txt", "C:\\A\\", "A\\"},
        {"C:\\f.txt", kLocal, "C:\\f.txt", "C:\\", "", "f.txt", "C:\\", ""},
        {"C:\\", kLocal, "C:\\", "C:\\", "", "", "", ""},
        {"C:\\A\\", kLocal, "C:\\A\\", "C:\\", "A\\", "", "C:\\", "A\\"},
        {"C:\\A\\B\\", kLocal, "C:\\A\\B\\", "C:\\", "A\\B\\", "", "C:\\A\\", "B\\"},
        {"C:\\caf\xe9\\r\xe9sum\xe9.txt", kLocal, "C:\\caf\xe9\\r\xe9sum\xe9.txt", "C:\\",
         "caf\xe9\\", "r\xe9sum\xe9.txt", "C:\\caf\xe9\\", "caf\xe9\\"},
        {"\\\\srv\\share\\x.doc", kNetwork, "\\\\srv\\share\\x.doc", "\\\\srv\\", "share\\",
         "x.doc", "\\\\srv\\share\\", "share\\"},
        {"\\\\srv/share/", kNetwork, "\\\\srv\\share\\", "\\\\srv\\", "share\\", "", "\\\\srv\\",
         "share\\"},
        {"\\\\srv", kNetwork, "\\\\srv", "\\\\srv\\", "", "", "", ""},
        {"//srv/share/x.doc", kNetwork, "\\\\srv\\share\\x.doc", "\\\\srv\\", "share\\", "x.doc",
         "\\\\srv\\share\\", "share\\"},
        {"web://srv/dir/f.zip", kUrl, "web://srv/dir/f.zip", "web://srv/", "dir/", "f.zip",
         "web://srv/dir/", "dir/"},
        {"http://host\\a\\b\\", kUrl, "http://host/a/b/", "http://host/", "a/b/", "",
         "http://host/a/", "b/"},
        {"web://srv", kUrl, "web://srv", "web://srv/", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SPath path;
        EXPECT_EQ(path.SetPath(c.in), c.kind) << c.in;
        EXPECT_EQ(Text(path.GetGiven()), c.in) << c.in;
        EXPECT_EQ(Text(path.GetPath()), c.full) << c.in;
        EXPECT_EQ(Text(path.GetRoot()), c.root) << c.in;
        EXPECT_EQ(Text(path.GetFolder()), c.folder) << c.in;
        EXPECT_EQ(Text(path.GetName()), c.name) << c.in;
        EXPECT_EQ(Text(path.GetParent()), c.parent) << c.in;
        EXPECT_EQ(Text(path.GetLastFolderName()), c.lastFolder) << c.in;
        std::string bare = c.lastFolder;
        if (!bare.empty()) bare.pop_back();
        EXPECT_EQ(Text(path.GetLastFolderName(true)), bare) << c.in;
        EXPECT_EQ(path.IsFolder(), !*c.name) << c.in;
        EXPECT_EQ(path.IsSubFolder(), !*c.name && *c.folder) << c.in;
    }
}

// A refused text (a control character or one of " * < > ?) keeps the earlier given text and
// its full form inside, but none of it may show through the getters.
TEST(SPath, RefusedTextMakesThePathInvalid) {
    for (const char* before : {"C:\\A\\f.txt", "C:\\A\\B\\"}) {
        for (const char* text : {"a?b", "C:\\a*.txt", "C:\\<a>", "C:\\a>b", "C:\\\"a\"", "a\tb",
                                 "a\x1f", "web://srv/?q=1"}) {
            SPath path(before);
            EXPECT_EQ(path.SetPath(text), SPath::kInvalid) << text;
            EXPECT_EQ(Text(path.GetGiven()), before) << text;
            SStringArray list;
            EXPECT_EQ(Text(path.GetPath()) + Text(path.GetRoot()) + Text(path.GetName()) +
                          Text(path.GetExtension()) + Text(path.GetFolder()) +
                          Text(path.GetParent()) + Text(path.GetLastFolderName()) +
                          Text(path.GetParts(0, -1, false, '\\')),
                      "")
                << text;
            EXPECT_FALSE(path.IsFolder() || path.IsSubFolder()) << text;
            EXPECT_EQ(path.Split(list) + path.GetPartCount() + list.GetCount(), 0) << text;
        }
    }
}

TEST(SPath, EmptyTextsAndFalseUrlsAreInvalid) {
    SPath path("C:\\A\\f.txt");
    EXPECT_EQ(path.SetPath(""), SPath::kInvalid);
    EXPECT_EQ(Text(path.GetGiven()), "");
    path.SetPath("C:\\A\\f.txt");
    EXPECT_EQ(path.SetPath(nullptr), SPath::kInvalid);
    EXPECT_EQ(Text(path.GetGiven()), "");
    // A URL needs "//" right behind its first colon.
    EXPECT_EQ(path.SetPath("a:b://c/d"), SPath::kInvalid);
    EXPECT_EQ(Text(path.GetRoot()), "");
    EXPECT_NE(path.SetPath("://host/a"), SPath::kUrl) << "a URL needs a scheme";
}

TEST(SPath, DotsAndRelativeTextsCountFromTheCurrentFolder) {
    TestFolder folder;
    {
        CurrentFolderScope scope(folder.Path());
        ASSERT_TRUE(scope.changed);
        const std::string current = CurrentFolder();  // without a final separator
        const std::string above = current.substr(0, current.find_last_of('\\') + 1);
        const std::pair<const char*, std::string> cases[] = {
            {".", current + "\\"}, {"..", above}, {"sub/f.txt", current + "\\sub\\f.txt"}};
        for (const auto& c : cases) {
            SPath path;
            EXPECT_EQ(path.SetPath(c.first), SPath::kLocal) << c.first;
            EXPECT_EQ(Text(path.GetPath()), c.second) << c.first;
        }
    }
    // In a drive root "." already ends with a separator and gets no second one.
    CurrentFolderScope scope("C:\\");
    ASSERT_TRUE(scope.changed);
    SPath path(".");
    EXPECT_EQ(Text(path.GetPath()), "C:\\");
    EXPECT_FALSE(path.IsSubFolder());
}

TEST(SPath, FullFormsOfUpTo1023CharactersAreAccepted) {
    const std::string longest = LocalPathOfLength(1023);
    ASSERT_EQ(longest.size(), 1023u);
    SPath path;
    EXPECT_EQ(path.SetPath(longest.c_str()), SPath::kLocal);
    EXPECT_EQ(Text(path.GetPath()), longest);

    const std::string tooLong = LocalPathOfLength(1024);
    EXPECT_EQ(path.SetPath(tooLong.c_str()), SPath::kInvalid);
    EXPECT_EQ(Text(path.GetPath()), "");
    EXPECT_EQ(Text(path.GetGiven()), tooLong);

    // What counts is the full form: a long text that resolves to a short path is fine.
    std::string winding = "C:\\A\\";
    while (winding.size() < 1500) winding += "xx\\..\\";
    EXPECT_EQ(path.SetPath((winding + "f.txt").c_str()), SPath::kLocal);
    EXPECT_EQ(Text(path.GetPath()), "C:\\A\\f.txt");
}

TEST(SPath, SetFolderAddsTheSeparator) {
    struct Case {
        const char* in;
        const char* given;
        const char* full;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\A", "C:\\A\\", "C:\\A\\", "A\\"},
        {"C:\\A\\", "C:\\A\\", "C:\\A\\", "A\\"},
        {"C:\\A/", "C:\\A/", "C:\\A\\", "A\\"},
        {"\\\\srv\\share", "\\\\srv\\share\\", "\\\\srv\\share\\", "share\\"},
        {"web://srv/dir", "web://srv/dir\\", "web://srv/dir/", "dir/"},
    };
    for (const Case& c : cases) {
        SPath path;
        EXPECT_NE(path.SetFolder(c.in), SPath::kInvalid) << c.in;
        EXPECT_EQ(Text(path.GetGiven()), c.given) << c.in;
        EXPECT_EQ(Text(path.GetPath()), c.full) << c.in;
        EXPECT_EQ(Text(path.GetFolder()), c.folder) << c.in;
        EXPECT_EQ(Text(path.GetName()), "") << c.in;
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
        const char* bare;
        const char* lower;
    };
    const Case cases[] = {
        {"C:/A/b.TXT", "b", ".TXT", "TXT", "txt"},
        {"C:\\A\\x.tar.GZ", "x.tar", ".GZ", "GZ", "gz"},
        {"C:\\A\\noext", "noext", "", "", ""},
        {"C:\\A.d\\f", "f", "", "", ""},
        {"C:\\A\\.profile", "", ".profile", "profile", "profile"},
    };
    for (const Case& c : cases) {
        const SPath path(c.in);
        EXPECT_EQ(Text(path.GetTitle()), c.title) << c.in;
        EXPECT_EQ(Text(path.GetExtension()), c.withDot) << c.in;
        EXPECT_EQ(Text(path.GetExtension(false, false)), c.bare) << c.in;
        EXPECT_EQ(Text(path.GetExtension(false, true)), c.lower) << c.in;
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
        {"\\\\srv\\share\\x.doc", {"\\\\srv\\", "share\\", "x.doc"}},
        {"web://srv/dir/f.zip", {"web://srv/", "dir/", "f.zip"}},
        {"web://srv", {"web://srv/", ""}},
    };
    for (const Case& c : cases) {
        const SPath path(c.in);
        SStringArray list;
        list.Add("before");
        EXPECT_EQ(path.Split(list), static_cast<int>(c.parts.size())) << c.in;
        std::vector<std::string> items;
        for (int i = 1; i < list.GetCount(); ++i) items.push_back(Text(list.GetText(i)));
        EXPECT_EQ(Text(list.GetText(0)), "before");
        EXPECT_EQ(items, c.parts) << c.in;
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
    const char* f = "C:\\A\\B\\f.txt";
    const Case cases[] = {
        {f, 1, -1, true, '\\', "A\\B\\"},
        {f, 0, -1, false, '/', "C:/A/B/f.txt"},
        {f, 1, 2, true, '\\', "A\\B\\"},  // the name is not in the run
        {f, 2, 10, false, '\\', "B\\f.txt"},
        {f, -1, -1, false, '\\', ""},
        {"C:\\A\\", 0, -1, true, '\\', "C:\\A\\"},
        {"web://srv/dir/f.zip", 1, -1, false, '\\', "dir\\f.zip"},
        {"web://srv/dir/f.zip", 0, 1, false, '/', "web://srv/"},
        {"\\\\srv\\share\\x.doc", 0, -1, false, '/', "//srv/share/x.doc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Text(SPath(c.in).GetParts(c.start, c.count, c.dropName, c.separator)), c.parts)
            << c.in << " start " << c.start << " count " << c.count;
    }
}

// The package builder names each archive entry by the file's path below the chosen folder:
// the parts of the file from the folder's part count less one on.
TEST(SPath, GetPartsFormsEntryNamesBelowAFolder) {
    const char* cases[][3] = {
        {"C:\\A", "C:\\A\\sub\\f.txt", "sub\\f.txt"},
        {"C:\\A\\", "C:\\A\\f.txt", "f.txt"},
        {"C:/src/", "C:\\src\\a\\b\\c\\deep.bin", "a\\b\\c\\deep.bin"},
    };
    for (const auto& c : cases) {
        SPath folder;
        ASSERT_EQ(folder.SetFolder(c[0]), SPath::kLocal) << c[0];
        const SPath file(c[1]);
        EXPECT_EQ(Text(file.GetParts(folder.GetPartCount() - 1, -1, false, '\\')), c[2]) << c[1];
    }
}

}  // namespace
