#include "core/SStringArray.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

void Fill(SStringArray& list, std::initializer_list<const char*> texts) {
    for (const char* text : texts) list.Add(text);
}

std::vector<std::string> Texts(const SStringArray& list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list.GetCount(); ++i) texts.push_back(list.GetText(i).GetSafeText());
    return texts;
}

TEST(SStringArray, RemoveMatchingIgnoresCaseOnlyWithTheFlag) {
    for (bool ignoreCase : {true, false}) {
        SStringArray list;
        if (ignoreCase) list.AddFlags(SStringArray::kIgnoreCase);
        Fill(list, {"Update.exe", "b.txt"});
        EXPECT_EQ(list.RemoveMatching("UPDATE.EXE"), ignoreCase ? 1 : 0);
        EXPECT_EQ(list.GetCount(), ignoreCase ? 1 : 2);
        EXPECT_EQ(list.Find("b.txt"), ignoreCase ? 0 : 1);
    }
}

TEST(SStringArray, InsertAtMakesCopiesOfTheText) {
    SStringArray list;
    Fill(list, {"a", "b", "c"});
    EXPECT_EQ(list.InsertAt("z", 100, 1), 3);
    EXPECT_EQ(list.InsertAt("y", 0, 0), -1);
    EXPECT_EQ(list.InsertAt("x", 1, 2), 1);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "x", "x", "b", "c", "z"}));
    EXPECT_NE(list.GetAt(1), list.GetAt(2)) << "each slot owns a string of its own";
}

TEST(SStringArray, FindStaysInsideItsRange) {
    SStringArray list;
    Fill(list, {"a", "b", "c", "d", "e"});
    EXPECT_EQ(list.Find("e", 5), -1);
    EXPECT_EQ(list.Find("e", 1, 99), 4);
    EXPECT_EQ(list.Find("e", 0, 4), -1);
    EXPECT_EQ(list.Find("E"), -1);
    list.AddFlags(SStringArray::kIgnoreCase);
    EXPECT_EQ(list.Find("E"), 4);
}

TEST(SStringArray, JoinPutsTheSeparatorBetweenNeighbours) {
    struct Case {
        const char* separator;
        int start;
        int count;
        const char* joined;
    };
    const Case cases[] = {
        {", ", 0, -1, "a, b, c"}, {", ", 3, -1, ""},      {", ", 1, 1, "b"},  {", ", 0, 0, ""},
        {"", 0, 99, "abc"},       {nullptr, 1, -1, "bc"}, {"--", -1, -1, ""}, {"/", 1, 2, "b/c"},
    };
    SStringArray list;
    Fill(list, {"a", "b", "c"});
    for (const Case& c : cases)
        EXPECT_STREQ(list.Join(c.separator, c.start, c.count).GetText(), c.joined)
            << c.start << "," << c.count;
}

TEST(SStringArray, SortFollowsCaseAndDirectionFlags) {
    SStringArray list;
    Fill(list, {"b", "A", "a"});
    list.Sort();
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"A", "a", "b"}));
    list.AddFlags(SStringArray::kDescending);
    list.Sort();
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"b", "a", "A"}));

    SStringArray noCase;
    noCase.AddFlags(SStringArray::kIgnoreCase);
    Fill(noCase, {"b", "A", "a"});
    noCase.Sort();
    EXPECT_EQ(noCase.GetText(2).Compare("b"), 0);
    EXPECT_EQ(noCase.GetText(0).CompareNoCase("a"), 0);
    EXPECT_EQ(noCase.GetText(1).CompareNoCase("a"), 0);
    noCase.AddFlags(SStringArray::kDescending);
    noCase.Sort();
    EXPECT_EQ(noCase.GetText(0).Compare("b"), 0);
}

TEST(SStringArray, SortedInsertionAndSearchIgnoringCase) {
    SStringArray list;
    list.AddFlags(SStringArray::kIgnoreCase);
    for (const char* text : {"pear", "Apple", "banana", "cherry", "apricot"})
        list.InsertSorted(text);
    EXPECT_EQ(Texts(list),
              (std::vector<std::string>{"Apple", "apricot", "banana", "cherry", "pear"}));
    EXPECT_EQ(list.FindSorted("BANANA"), 2);
    EXPECT_EQ(list.FindSorted("grape"), -1);
    EXPECT_EQ(list.FindSorted("pear", 0, 4), -1);
}

TEST(SStringArray, RemoveAllResetsFlagsAndDeleteAllKeepsThem) {
    SStringArray list;
    list.AddFlags(SStringArray::kIgnoreCase);
    Fill(list, {"a", "b"});
    list.DeleteAll();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCapacity(), 64);
    EXPECT_EQ(list.GetFlags(), SStringArray::kIgnoreCase);
    Fill(list, {"a"});
    list.RemoveAll();
    EXPECT_EQ(list.GetFlags(), 0u);
    EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(SStringArray, CountMatchesWholeTextsAgainstWildcards) {
    struct Case {
        const char* pattern;
        char many;
        char one;
        std::vector<int> indices;
    };
    const Case cases[] = {
        {"*.txt", '*', '?', {0, 1, 3}}, {"?.txt", '*', '?', {0, 1}},  {"a*", '*', '?', {0, 2, 3}},
        {"*", '*', '?', {0, 1, 2, 3}},  {"a.tx", '*', '?', {}},       {"*.TXT", '*', '?', {}},
        {"*x*", '*', '?', {0, 1, 3}},   {"a*t*t", '*', '?', {0, 3}},  {"%.doc", '%', '_', {2}},
        {"_.txt", '%', '_', {0, 1}},    {"*.txt", '%', '_', {}},      {"", '*', '?', {}},
        {"a.????", '*', '?', {}},       {"**t", '*', '?', {0, 1, 3}}, {"a.txt*", '*', '?', {0}},
    };
    SStringArray list;
    Fill(list, {"a.txt", "b.txt", "a.doc", "aa.txt.bak.txt"});
    for (const Case& c : cases) {
        SArray<int> indices;
        EXPECT_EQ(list.CountMatches(c.pattern, &indices, c.many, c.one),
                  static_cast<int>(c.indices.size()))
            << c.pattern;
        std::vector<int> found;
        for (int i = 0; i < indices.GetCount(); ++i) found.push_back(indices.GetAt(i));
        EXPECT_EQ(found, c.indices) << c.pattern;
    }
    EXPECT_EQ(list.CountMatches("*.txt"), 3);
}

TEST(SStringArray, CopyStringsIsDeep) {
    SStringArray source;
    Fill(source, {"one", "two"});
    SStringArray copy;
    Fill(copy, {"old"});
    copy.CopyStrings(source);
    EXPECT_EQ(Texts(copy), (std::vector<std::string>{"one", "two"}));
    EXPECT_NE(copy.GetAt(0), source.GetAt(0));
    copy.GetAt(0)->Append("!");
    EXPECT_STREQ(source.GetAt(0)->GetText(), "one");
    copy.CopyStrings(copy);
    EXPECT_EQ(copy.GetCount(), 2);
}

TEST(SStringArray, TextFormOfElementsIsBase64) {
    SStringArray list;
    Fill(list, {"abc"});
    EXPECT_STREQ(list.ElementToText(list.GetAt(0)).GetText(), "YWJj=");
    SString* slot = nullptr;
    list.ElementFromText(&slot, SString("YQ="));
    ASSERT_NE(slot, nullptr);
    EXPECT_STREQ(slot->GetText(), "a");
    delete slot;
}

TEST(SStringArray, GetTextCopiesAndToleratesBadIndices) {
    SStringArray list;
    Fill(list, {"x"});
    SString text = list.GetText(0);
    text.Append("y");
    EXPECT_STREQ(list.GetAt(0)->GetText(), "x");
    EXPECT_STREQ(list.GetText(1).GetText(), "");
    EXPECT_STREQ(list.GetText(-1).GetText(), "");
}

}  // namespace
