#include "core/SStringArray.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

void Fill(SStringArray& list, const char* texts) {
    std::istringstream in(texts);
    for (std::string text; in >> text;) list.Add(text.c_str());
}

std::string Str(const SString& s) { return s.GetSafeText(); }
std::string Str(const SStringArray& list) {
    std::string texts;
    for (int i = 0; i < list.GetCount(); ++i) texts += (i ? " " : "") + Str(list.GetText(i));
    return texts;
}

// Texts compare bytewise unless kIgnoreCase is set; kDescending reverses the order.
TEST(SStringArray, ComparisonsFollowTheCaseAndDirectionFlags) {
    SStringArray list;
    Fill(list, "b A a");
    list.Sort();
    EXPECT_EQ(Str(list), "A a b");
    list.AddFlags(SStringArray::kDescending);
    list.Sort();
    EXPECT_EQ(Str(list), "b a A");
    EXPECT_EQ(list.Find("B"), -1);
    EXPECT_EQ(list.RemoveMatching("A"), 1);
    list.AddFlags(SStringArray::kIgnoreCase);
    Fill(list, "A");
    list.Sort();
    EXPECT_EQ(Str(list.GetText(0)), "b");
    EXPECT_EQ(list.Find("B"), 0);
    EXPECT_EQ(list.RemoveMatching("A"), 2);
    EXPECT_EQ(Str(list), "b");
}

TEST(SStringArray, SortedInsertionAndSearchIgnoringCase) {
    SStringArray list;
    list.AddFlags(SStringArray::kIgnoreCase);
    for (const char* text : {"pear", "Apple", "Banana", "cherry", "apricot"})
        list.InsertSorted(text);
    EXPECT_EQ(Str(list), "Apple apricot Banana cherry pear");
    EXPECT_EQ(list.FindSorted("BANANA"), 2);
    EXPECT_EQ(list.FindSorted("grape"), -1);
    EXPECT_EQ(list.FindSorted("pear", 0, 4), -1);
}

TEST(SStringArray, InsertAtMakesCopiesOfTheText) {
    SStringArray list;
    Fill(list, "a b");
    EXPECT_EQ(list.InsertAt("x", 1, 2), 1);
    EXPECT_EQ(Str(list), "a x x b");
    EXPECT_NE(list.GetAt(1), list.GetAt(2)) << "each slot owns a string of its own";
}

// Only a list that was filled returns to the starting state, flags included.
TEST(SStringArray, RemoveAllResetsTheFlagsOfAFilledListOnly) {
    SStringArray list;
    list.AddFlags(SStringArray::kIgnoreCase);
    list.RemoveAll();
    EXPECT_EQ(list.GetFlags(), SStringArray::kIgnoreCase);
    Fill(list, "a");
    list.RemoveAll();
    EXPECT_EQ(list.GetFlags(), 0u);
    EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(SStringArray, CopyStringsIsDeep) {
    SStringArray source, copy;
    Fill(source, "one two");
    Fill(copy, "old");
    copy.CopyStrings(source);
    copy.GetAt(0)->Append("!");
    EXPECT_EQ(Str(source), "one two");
    copy.CopyStrings(copy);
    EXPECT_EQ(Str(copy), "one! two");
}

// A bad index reads as ""; the text form of an element is its Base64.
TEST(SStringArray, ElementsAsTexts) {
    SStringArray list;
    Fill(list, "a b c");
    EXPECT_EQ(Str(list.GetText(3)) + Str(list.GetText(-1)), "");
    EXPECT_EQ(Str(list.ElementToText(list.GetAt(0))), "YQ=");
    SString* slot = nullptr;
    list.ElementFromText(&slot, SString("YQ="));
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(Str(*slot), "a");
    delete slot;
    EXPECT_EQ(Str(list.Join(", ")), "a, b, c");
    EXPECT_EQ(Str(list.Join("/", 1, 2)), "b/c");
    EXPECT_EQ(Str(list.Join("", 0, 99)), "abc");
    EXPECT_EQ(Str(list.Join(nullptr, 1)), "bc");
    EXPECT_EQ(Str(list.Join("--", -1)), "");
}

// Whole texts match; `many` stands for any run, also an empty one, `one` for any one character.
TEST(SStringArray, CountMatchesWholeTextsAgainstWildcards) {
    SStringArray list;
    Fill(list, "a.txt b.txt a.doc aa.txt.bak.txt");
    const auto matches = [&list](const char* pattern, char many = '*', char one = '?') {
        SArray<int> indices;
        std::string found = std::to_string(list.CountMatches(pattern, &indices, many, one)) + ":";
        for (int i = 0; i < indices.GetCount(); ++i)
            found += " " + std::to_string(indices.GetAt(i));
        return found;
    };
    EXPECT_EQ(matches("*.txt"), "3: 0 1 3");
    EXPECT_EQ(matches("?.txt"), "2: 0 1");
    EXPECT_EQ(matches("a*t*t"), "2: 0 3");  // back to the last "*" only
    EXPECT_EQ(matches("%.d_c", '%', '_'), "1: 2");
    EXPECT_EQ(matches("a.tx") + matches("a.????"), "0:0:");
    EXPECT_EQ(matches("a.txt*"), "1: 0");
    EXPECT_EQ(list.CountMatches("*.txt"), 3);
}

}  // namespace
