#include "core/SStringArray.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/core/Rows.h"

namespace {

void Fill(SStringArray& list, const char* texts) {
    std::istringstream in(texts);
    for (std::string text; in >> text;) list.Add(text.c_str());
}

std::string Texts(const SStringArray& list) { return Str(list.Join(" ")); }

// Texts compare bytewise unless kIgnoreCase is set; kDescending reverses the order.
TEST(SStringArray, ComparisonsFollowTheCaseAndDirectionFlags) {
    SStringArray list;
    Fill(list, "b A a");
    list.Sort();
    EXPECT_EQ(Texts(list), "A a b");
    list.AddFlags(SStringArray::kDescending);
    list.Sort();
    Check({ROW(Texts(list), "b a A"), ROW(list.Find("B"), -1), ROW(list.RemoveMatching("A"), 1)});
    list.AddFlags(SStringArray::kIgnoreCase);
    Fill(list, "A");
    list.Sort();
    Check({ROW(list.GetText(0), "b"), ROW(list.Find("B"), 0), ROW(list.RemoveMatching("A"), 2),
           ROW(Texts(list), "b")});
}

TEST(SStringArray, SortedInsertionAndSearchIgnoringCase) {
    SStringArray list;
    list.AddFlags(SStringArray::kIgnoreCase);
    for (const char* text : {"pear", "Apple", "Banana", "cherry", "apricot"})
        list.InsertSorted(text);
    Check({ROW(Texts(list), "Apple apricot Banana cherry pear"), ROW(list.FindSorted("BANANA"), 2),
           ROW(list.FindSorted("grape"), -1), ROW(list.FindSorted("pear", 0, 4), -1)});
}

// Each slot owns a string of its own; only a list that was filled returns to the starting
// state on RemoveAll, flags included; copies are deep, also of the list itself.
TEST(SStringArray, SlotsOwnTheirStrings) {
    SStringArray list, copy;
    Fill(list, "a b");
    Check({ROW(list.InsertAt("x", 1, 2), 1), ROW(Texts(list), "a x x b"),
           ROW(list.GetAt(1) != list.GetAt(2), true)});
    copy.AddFlags(SStringArray::kIgnoreCase);
    copy.RemoveAll();
    Check({ROW(copy.GetFlags(), SStringArray::kIgnoreCase),
           ROW((Fill(copy, "old"), copy.RemoveAll(), copy.GetFlags()), 0u),
           ROW(copy.GetCapacity(), 0)});
    Fill(copy, "old");
    copy.CopyStrings(list);
    copy.GetAt(0)->Append("!");
    copy.CopyStrings(copy);
    Check({ROW(Texts(list), "a x x b"), ROW(Texts(copy), "a! x x b")});
}

// A bad index reads as ""; the text form of an element is its Base64.
TEST(SStringArray, ElementsAsTexts) {
    SStringArray list;
    Fill(list, "a b c");
    SString* slot = nullptr;
    list.ElementFromText(&slot, SString("YQ="));
    const std::string fromText = slot ? Str(*slot) : "null";
    delete slot;
    Check({ROW(list.GetText(3), ""), ROW(list.GetText(-1), ""),
           ROW(list.ElementToText(list.GetAt(0)), "YQ="), ROW(fromText, "a"),
           ROW(list.Join(", "), "a, b, c"), ROW(list.Join("/", 1, 2), "b/c"),
           ROW(list.Join("", 0, 99), "abc"), ROW(list.Join(nullptr, 1), "bc"),
           ROW(list.Join("--", -1), "")});
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
    Check({ROW(matches("*.txt"), "3: 0 1 3"), ROW(matches("?.txt"), "2: 0 1"),
           ROW(matches("a*t*t"), "2: 0 3"),  // back to the last "*" only
           ROW(matches("%.d_c", '%', '_'), "1: 2"), ROW(matches("a.tx"), "0:"),
           ROW(matches("a.????"), "0:"), ROW(matches("a.txt*"), "1: 0"),
           ROW(list.CountMatches("*.txt"), 3)});
}

}  // namespace
