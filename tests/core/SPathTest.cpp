// SPath: classification, normalisation and the pieces of local, share and URL paths.
#include <gtest/gtest.h>

#include <string>

#include "core/SPath.h"
#include "tests/core/Rows.h"
#include "tests/support/TestFolder.h"

namespace {

// Every piece at once: full form|root|folder|name|parent|last folder.
TEST(SPath, SetPathClassifiesNormalisesAndTakesApart) {
    struct Case {
        const char* in;
        int kind;
        const char* pieces;
    };
    const int kLocal = SPath::kLocal, kNetwork = SPath::kNetwork, kUrl = SPath::kUrl;
    const Case cases[] = {
        {"C:/A\\B\\..\\.\\f.txt", kLocal, "C:\\A\\f.txt|C:\\|A\\|f.txt|C:\\A\\|A\\"},
        {"C:\\", kLocal, "C:\\|C:\\||||"},
        {"C:\\A\\B\\", kLocal, "C:\\A\\B\\|C:\\|A\\B\\||C:\\A\\|B\\"},
        {"C:\\caf\xe9\\r\xe9sum\xe9.txt", kLocal,
         "C:\\caf\xe9\\r\xe9sum\xe9.txt|C:\\|caf\xe9\\|r\xe9sum\xe9.txt|C:\\caf\xe9\\|caf\xe9\\"},
        {"\\\\srv/share/", kNetwork, "\\\\srv\\share\\|\\\\srv\\|share\\||\\\\srv\\|share\\"},
        {"//srv/share/x.doc", kNetwork,
         "\\\\srv\\share\\x.doc|\\\\srv\\|share\\|x.doc|\\\\srv\\share\\|share\\"},
        {"web://srv/dir/f.zip", kUrl,
         "web://srv/dir/f.zip|web://srv/|dir/|f.zip|web://srv/dir/|dir/"},
        {"http://host\\a\\b\\", kUrl, "http://host/a/b/|http://host/|a/b/||http://host/a/|b/"},
        {"web://srv", kUrl, "web://srv|web://srv/||||"},
    };
    for (const Case& c : cases) {
        SPath path;
        EXPECT_EQ(path.SetPath(c.in), c.kind) << c.in;
        EXPECT_EQ(Str(path.GetGiven()), c.in) << c.in;
        const std::string name = Str(path.GetName()), folder = Str(path.GetFolder());
        EXPECT_EQ(Str(path.GetPath()) + "|" + Str(path.GetRoot()) + "|" + folder + "|" + name +
                      "|" + Str(path.GetParent()) + "|" + Str(path.GetLastFolderName()),
                  c.pieces)
            << c.in;
        EXPECT_EQ(path.IsFolder(), name.empty()) << c.in;
        EXPECT_EQ(path.IsSubFolder(), name.empty() && !folder.empty()) << c.in;
    }
}

// A refused text keeps the earlier given text, yet nothing of it shows through the getters.
TEST(SPath, InvalidPathsShowNothing) {
    const char* before = "C:\\A\\f.txt";
    const char* cases[][2] = {
        {"a?b", before},           {"C:\\a*.txt", before}, {"C:\\<a", before}, {"C:\\a>b", before},
        {"C:\\\"a\"", before},     {"a\x1f", before},      {"", ""},           {nullptr, ""},
        {"a:b://c/d", "a:b://c/d"}};
    for (const auto& c : cases) {
        SPath path(before);
        Check({ROW(path.SetPath(c[0]), SPath::kInvalid), ROW(path.GetGiven(), c[1]),
               ROW(path.GetPath(), ""), ROW(path.GetName(), ""), ROW(path.GetFolder(), ""),
               ROW(path.GetParent(), ""), ROW(path.GetParts(0, -1, false, '\\'), ""),
               ROW(path.IsFolder(), false), ROW(path.IsSubFolder(), false),
               ROW(path.GetPartCount(), 0)},
              std::string(" for ") + (c[0] ? c[0] : "null"));
    }
    EXPECT_NE(SPath("://host/a").GetKind(), SPath::kUrl) << "a URL needs a scheme";
}

// The system answers "." and ".." without a final separator, yet they name folders.
TEST(SPath, DotsNameFolders) {
    TestFolder folder;
    {
        CurrentFolderScope scope(folder.Path());
        ASSERT_TRUE(scope.changed);
        const std::string current = CurrentFolder();  // without a final separator
        Check({ROW(SPath(".").GetPath(), current + "\\"),
               ROW(SPath("..").GetPath(), current.substr(0, current.find_last_of('\\') + 1))});
    }
    CurrentFolderScope scope("C:\\");
    ASSERT_TRUE(scope.changed);
    EXPECT_EQ(Str(SPath(".").GetPath()), "C:\\");
}

// What counts is the full form: up to 1023 characters, however long the text given.
TEST(SPath, FullFormsOfUpTo1023CharactersAreAccepted) {
    const auto local = [](size_t length) {  // eight-character folders, then a long name
        std::string path = "C:\\";
        while (path.size() + 9 + 4 < length) path += "abcdefgh\\";
        return path.append(length - path.size(), 'n');
    };
    const std::string longest = local(1023), tooLong = local(1024);
    std::string winding = "C:\\A\\";
    while (winding.size() < 1500) winding += "xx\\..\\";
    SPath path;
    Check({ROW(path.SetPath(longest.c_str()), SPath::kLocal), ROW(path.GetPath(), longest),
           ROW(path.SetPath(tooLong.c_str()), SPath::kInvalid), ROW(path.GetGiven(), tooLong),
           ROW(path.SetPath((winding + "f.txt").c_str()), SPath::kLocal),
           ROW(path.GetPath(), "C:\\A\\f.txt")});
}

// The package builder names an entry by its parts from its folder's part count less one on.
TEST(SPath, FoldersNamesAndParts) {
    const auto folder = [](const char* text) {
        SPath path;
        path.SetFolder(text);
        return Str(path.GetGiven()) + (path.IsFolder() ? " folder" : "");
    };
    const auto title = [](const char* text) { return Str(SPath(text).GetTitle()); };
    const auto parts = [](const char* text) { return SPath(text).GetPartCount(); };
    const auto entry = [](const char* folderText, const char* file) {
        SPath base;
        base.SetFolder(folderText);
        return Str(SPath(file).GetParts(base.GetPartCount() - 1, -1, false, '\\'));
    };
    // clang-format off
    Check({ROW(folder("C:\\A"), "C:\\A\\ folder"), ROW(folder("C:\\A\\"), "C:\\A\\ folder"),
           ROW(folder("C:\\A/"), "C:\\A/ folder"), ROW(folder(""), ""),
           ROW(title("C:/A/b.TXT"), "b"), ROW(title("C:\\A.d\\f"), "f"),
           ROW(title("C:\\A\\x.tar.GZ"), "x.tar"), ROW(title("C:\\A\\.profile"), ""),
           ROW(parts("C:\\A\\B\\f.txt"), 4), ROW(parts("C:\\"), 2),
           ROW(parts("web://srv/dir/f.zip"), 3), ROW(parts("web://srv"), 2),
           ROW(SPath("C:\\A\\B\\f.txt").GetParts(-1, -1, false, '\\'), ""),
           ROW(SPath("web://srv/dir/f.zip").GetParts(1, -1, false, '\\'), "dir\\f.zip"),
           ROW(entry("C:\\A", "C:\\A\\sub\\f.txt"), "sub\\f.txt"),
           ROW(entry("C:/src/", "C:\\src\\a\\b\\deep.bin"), "a\\b\\deep.bin")});
    // clang-format on
}

}  // namespace
