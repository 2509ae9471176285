#include "core/SArray.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "tests/core/Rows.h"

namespace {

constexpr uint32_t kDescending = SArray<int>::kDescending;

void Fill(SArray<int>& array, const char* values) {
    std::istringstream in(values);
    for (int value; in >> value;) array.Add(value);
}

std::string Values(const SArray<int>& array) {
    std::string text;
    for (int i = 0; i < array.GetCount(); ++i)
        text += (i ? " " : "") + std::to_string(array.GetAt(i));
    return text;
}

// The values a call leaves in a fresh array of `values`, then "|" and what it returned, if any.
template <class Call>
std::string Edited(const char* values, Call call) {
    SArray<int> a;
    Fill(a, values);
    return Outcome(a, call, Values);
}

// clang-format off
#define EDIT(values, call, want) {Edited(values, [](SArray<int>& a) { return a.call; }), want, values " ." #call}
// clang-format on

// An object whose destruction the tests count.
struct Tracked {
    ~Tracked() { ++*destroyed; }
    int value;
    int* destroyed;
};

class TrackedArray : public SArray<Tracked*> {
public:
    ~TrackedArray() override { DeleteAll(); }
    void OnDeleteElement(Tracked**, int index) override { deleted += std::to_string(index) + " "; }
    int CompareElements(Tracked* const& a, Tracked* const& b, uint32_t, intptr_t) const override {
        return (a->value > b->value) - (a->value < b->value);
    }
    std::string deleted;  // the indices told, in order
};

// An element inserted from the array itself is read before the insertion moves the block.
TEST(SArray, InsertAtItsOwnElementAndSetCount) {
    SArray<int> array;
    for (int i = 0; i < 64; ++i) array.Add(i);
    array.InsertAt(array.GetAt(63), 0, 1);
    Check({ROW(array.GetAt(0), 63), ROW((array.SetCount(200, true), array.GetAt(64)), 63),
           ROW((array.SetCount(-5, true), array.GetCount()), 0)});
}

// Positions out of range insert or remove at the end, or nothing.
TEST(SArray, InsertsAndRemoves) {
    Check({EDIT("1 2 3", InsertAt(9, 1, 2), "1 9 9 2 3|1"),
           EDIT("1 2 3", InsertAt(9, 100), "1 2 3 9|3"),
           EDIT("1 2 3", InsertAt(9, 0, 0), "1 2 3|-1"),
           EDIT("0 1 2 3 4 5 6 7", RemoveAt(2, 3), "0 1 5 6 7"),
           EDIT("0 1 2 3 4 5 6 7", RemoveAt(7, 99), "0 1 2 3 4 5 6"),
           EDIT("0 1 2 3 4 5 6 7", RemoveAt(-1, 1), "0 1 2 3 4 5 6 7"),
           EDIT("1 2 1 3 1", RemoveMatching(1), "2 3|3"),
           EDIT("1 2 1 3 1", RemoveMatching(1, 1, 3), "1 2 3 1|1"),
           EDIT("1 2 1 3 1", RemoveMatching(1, 5), "1 2 1 3 1|0"),
           EDIT("7 7 8", RemoveMatching(a.GetAt(0)), "8|2")});
}

TEST(SArray, SearchesStayInsideTheirRange) {
    SArray<int> a;
    Fill(a, "10 20 30 40 40");
    a.RemoveAt(4);  // leaves a 40 in the slot behind the elements, which no search may read
    Check({ROW(a.Find(30, 3), -1), ROW(a.FindSorted(30, 3), -1), ROW(a.Find(30, 0, 2), -1),
           ROW(a.FindSorted(30, 0, 2), -1), ROW(a.Find(10, -1), -1), ROW(a.FindSorted(10, -1), -1),
           ROW(a.Find(40, 1, -5), 3), ROW(a.FindSorted(40, 1, -5), 3), ROW(a.Find(35), -1),
           ROW(a.FindSorted(35), -1), ROW(a.Find(40, 0, 4), 3), ROW(a.FindSorted(40, 0, 4), 3),
           // Where a bisection ends empty, the element there places the key, even behind the range.
           ROW(a.FindInsertPosition(25), 2), ROW(a.FindInsertPosition(45), 4),
           ROW(a.FindInsertPosition(35, 0, 2), 3), ROW(a.FindInsertPosition(5, 4), -1)});
}

TEST(SArray, InsertSortedKeepsOrderFromEmpty) {
    SArray<int> array;
    for (int value : {50, 10, 40, 10, 30, 60, 20}) array.InsertSorted(value);
    const std::string ascending = Values(array);
    array.AddFlags(kDescending);
    array.Sort();
    array.InsertSorted(35);
    Check({ROW(ascending, "10 10 20 30 40 50 60"), ROW(Values(array), "60 50 40 35 30 20 10 10")});
}

// Each index told is the one the element had when removed, the earlier removals done.
TEST(SArray, OwningArraysDestroyOnlyOnDelete) {
    int destroyed = 0;
    TrackedArray array;
    for (int i = 0; i < 5; ++i) array.Add(new Tracked{i, &destroyed});
    array.Add(nullptr);
    const std::unique_ptr<Tracked> kept(array.GetAt(4));
    // clang-format off
    Check({ROW((array.RemoveAt(4), destroyed), 0), ROW((array.DeleteAt(1, 2), destroyed), 2),
           ROW(array.GetCount(), 3), ROW(array.GetAt(1)->value, 3),
           ROW((array.AddFlags(kDescending), array.DeleteAll(), destroyed), 4),
           ROW(array.deleted, "1 2 0 1 "), ROW(array.GetCapacity(), 64),
           ROW(array.GetFlags(), kDescending)});
    // clang-format on
    array.deleted.clear();
    for (int value : {5, 1, 5, 2, 5}) array.Add(new Tracked{value, &destroyed});
    Tracked key{5, &destroyed};
    Check({ROW(array.RemoveMatching(&key), 3), ROW(destroyed, 7), ROW(array.deleted, "0 1 2 ")});
    ASSERT_EQ(array.GetCount(), 2);
    Check({ROW(array.GetAt(0)->value, 1), ROW(array.GetAt(1)->value, 2)});
}

}  // namespace
