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

// Texts compare bytewise unless kIgnoreCase is set.
TEST(SStringArray, ComparisonsFollowTheCaseFlag) {
    SStringArray list;
    Fill(list, "b A a A");
    Check({ROW(list.Find("B"), -1), ROW(list.RemoveMatching("A"), 2), ROW(Texts(list), "b a")});
    list.AddFlags(SStringArray::kIgnoreCase);
    Fill(list, "A");
    Check({ROW(list.Find("B"), 0), ROW(list.RemoveMatching("A"), 2), ROW(Texts(list), "b")});
    for (const char* text : {"pear", "Apple", "Banana", "cherry", "apricot"})
        list.InsertSorted(text);
    Check({ROW(Texts(list), "Apple apricot b Banana cherry pear"),
           ROW(list.FindSorted("BANANA"), 3), ROW(list.FindSorted("grape"), -1),
           ROW(list.FindSorted("pear", 0, 5), -1)});
}

// Only a list that was filled returns to the starting state on RemoveAll, flags included.
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

}  // namespace
