#include "core/SArray.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

template <class T>
void Fill(SArray<T>& array, std::initializer_list<T> values) {
    for (const T& value : values) array.Add(value);
}

template <class T>
std::vector<T> Contents(const SArray<T>& array) {
    std::vector<T> values;
    for (int i = 0; i < array.GetCount(); ++i) values.push_back(array.GetAt(i));
    return values;
}

// An object whose destruction the tests can count.
struct Tracked {
    Tracked(int v, int* destroyedCounter) : value(v), destroyed(destroyedCounter) {}
    virtual ~Tracked() { ++*destroyed; }
    int value;
    int* destroyed;
};

// An owning array that compares by value and records the indices it is told about.
class TrackedArray : public SArray<Tracked*> {
public:
    ~TrackedArray() override { DeleteAll(); }
    void OnDeleteElement(Tracked** slot, int index) override {
        (void)slot;
        deletedIndices.push_back(index);
    }
    int CompareElements(Tracked* const& a, Tracked* const& b, uint32_t flags,
                        intptr_t context) const override {
        (void)flags;
        (void)context;
        return (a->value > b->value) - (a->value < b->value);
    }
    std::vector<int> deletedIndices;
};

TEST(SArray, CapacityIsNextMultipleOf64AboveTheCountBothWays) {
    SArray<int> array;
    EXPECT_EQ(array.GetCapacity(), 0);
    struct Case {
        int count;
        int capacity;
    };
    const Case cases[] = {{0, 64},    {63, 64}, {64, 128}, {128, 192},
                          {200, 256}, {10, 64}, {70, 128}, {-5, 64}};
    for (const Case& c : cases) {
        array.SetCount(c.count, true);
        EXPECT_EQ(array.GetCapacity(), c.capacity) << c.count;
        EXPECT_EQ(array.GetCount(), c.count < 0 ? 0 : c.count);
    }
}

TEST(SArray, SetCountKeepsElementsAcrossReallocation) {
    SArray<int> array;
    for (int i = 0; i < 200; ++i) array.Add(i * 3);
    array.SetCount(10, true);  // 256 slots down to 64
    array.SetCount(70, true);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(array.GetAt(i), i * 3);
}

TEST(SArray, InsertAtPlacesCopiesAndAppendsOutOfRange) {
    struct Case {
        int pos;
        int n;
        int returned;
        std::vector<int> result;
    };
    const Case cases[] = {{1, 2, 1, {1, 9, 9, 2, 3}}, {0, 1, 0, {9, 1, 2, 3}},
                          {100, 1, 3, {1, 2, 3, 9}},  {-1, 2, 3, {1, 2, 3, 9, 9}},
                          {0, 0, -1, {1, 2, 3}},      {1, -3, -1, {1, 2, 3}}};
    for (const Case& c : cases) {
        SArray<int> array;
        Fill(array, {1, 2, 3});
        EXPECT_EQ(array.InsertAt(9, c.pos, c.n), c.returned) << c.pos << "," << c.n;
        EXPECT_EQ(Contents(array), c.result) << c.pos << "," << c.n;
    }
}

TEST(SArray, InsertAtMayCopyOneOfItsOwnElements) {
    SArray<int> array;
    for (int i = 0; i < 64; ++i) array.Add(i + 100);
    array.InsertAt(array.GetAt(63), 0, 1);  // the insertion moves the block
    EXPECT_EQ(array.GetCapacity(), 128);
    EXPECT_EQ(array.GetAt(0), 163);
    EXPECT_EQ(array.GetAt(64), 163);
}

TEST(SArray, RemoveAtClosesTheGap) {
    struct Case {
        int start;
        int n;
        std::vector<int> result;
    };
    const Case cases[] = {{2, 3, {0, 1, 5, 6, 7}},
                          {5, -1, {0, 1, 2, 3, 4}},
                          {7, 99, {0, 1, 2, 3, 4, 5, 6}},
                          {8, 1, {0, 1, 2, 3, 4, 5, 6, 7}},
                          {-1, 1, {0, 1, 2, 3, 4, 5, 6, 7}}};
    for (const Case& c : cases) {
        SArray<int> array;
        Fill(array, {0, 1, 2, 3, 4, 5, 6, 7});
        array.RemoveAt(c.start, c.n);
        EXPECT_EQ(Contents(array), c.result) << c.start << "," << c.n;
    }
}

TEST(SArray, RemoveAllResetsFlagsOnlyWhenThereAreSlots) {
    SArray<int> array;
    array.AddFlags(SArray<int>::kDescending);
    array.RemoveAll();
    EXPECT_EQ(array.GetFlags(), SArray<int>::kDescending);
    array.Add(1);
    array.RemoveAll();
    EXPECT_EQ(array.GetFlags(), 0u);
    EXPECT_EQ(array.GetCapacity(), 0);
}

TEST(SArray, CopyIsShallowAndTakesTheFlags) {
    SArray<int> source;
    Fill(source, {4, 5, 6});
    source.AddFlags(SArray<int>::kDescending);
    SArray<int> copy;
    Fill(copy, {1, 2, 3, 4, 5, 6, 7});
    copy.Copy(source);
    EXPECT_EQ(Contents(copy), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(copy.GetFlags(), SArray<int>::kDescending);
    copy.Swap(0, 2);
    EXPECT_EQ(Contents(copy), (std::vector<int>{6, 5, 4}));
}

TEST(SArray, DefaultOrderIsUnsigned32BitReversedByTheDescendingBit) {
    SArray<int> array;
    Fill(array, {5, -1, 0, 3, -7});
    array.Sort();
    EXPECT_EQ(Contents(array), (std::vector<int>{0, 3, 5, -7, -1}));
    array.AddFlags(SArray<int>::kDescending);
    array.Sort();
    EXPECT_EQ(Contents(array), (std::vector<int>{-1, -7, 5, 3, 0}));
}

TEST(SArray, DoublesAndPointersSortByValue) {
    SArray<double> numbers;
    Fill(numbers, {2.5, -1.0, 0.5, -3.25});
    numbers.Sort();
    EXPECT_EQ(Contents(numbers), (std::vector<double>{-3.25, -1.0, 0.5, 2.5}));

    int block[4] = {};
    SArray<int*> pointers;
    Fill(pointers, {&block[3], &block[0], &block[2], &block[1]});
    pointers.Sort();
    EXPECT_EQ(Contents(pointers), (std::vector<int*>{&block[0], &block[1], &block[2], &block[3]}));
}

TEST(SArray, SortHonoursItsRange) {
    struct Case {
        int start;
        int end;
        std::vector<int> result;
    };
    const Case cases[] = {
        {0, -1, {1, 2, 3, 4, 5, 6}}, {1, 4, {6, 2, 4, 5, 3, 1}},   {4, 6, {6, 5, 2, 4, 1, 3}},
        {0, 7, {6, 5, 2, 4, 3, 1}},  {-1, -1, {6, 5, 2, 4, 3, 1}}, {0, -2, {6, 5, 2, 4, 3, 1}},
    };
    for (const Case& c : cases) {
        SArray<int> array;
        Fill(array, {6, 5, 2, 4, 3, 1});
        array.Sort(c.start, c.end);
        EXPECT_EQ(Contents(array), c.result) << c.start << "," << c.end;
    }
}

TEST(SArray, SortsLargeAndRepetitiveInput) {
    SArray<int> array;
    uint32_t seed = 12345;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        array.Add(static_cast<int>((seed >> 8) % 50));
    }
    for (int i = 0; i < 5000; ++i) array.Add(25);  // a long run of equal elements
    array.Sort();
    for (int i = 1; i < array.GetCount(); ++i) ASSERT_LE(array.GetAt(i - 1), array.GetAt(i)) << i;
}

TEST(SArray, SearchesStayInsideTheirRange) {
    struct Case {
        int key;
        int start;
        int end;
        int found;
    };
    const Case cases[] = {{30, 0, -1, 2}, {30, 3, -1, -1}, {30, 0, 2, -1},
                          {30, 0, 99, 2}, {10, 4, -1, -1}, {10, -1, -1, -1},
                          {40, 1, -5, 3}, {20, 2, 2, -1},  {35, 0, -1, -1},
                          {30, 1, 3, 2},  {40, 0, 4, 3},   {20, 0, 2, 1}};  // at the range's end
    SArray<int> array;
    Fill(array, {10, 20, 30, 40});
    for (const Case& c : cases) {
        EXPECT_EQ(array.Find(c.key, c.start, c.end), c.found)
            << c.key << " " << c.start << "," << c.end;
        EXPECT_EQ(array.FindSorted(c.key, c.start, c.end), c.found) << c.key << " " << c.start;
    }
}

TEST(SArray, FindInsertPositionPlacesKeysAmongSortedElements) {
    struct Case {
        int key;
        int start;
        int end;
        int position;
    };
    const Case cases[] = {
        {5, 0, -1, 0},  {15, 0, -1, 1}, {25, 0, -1, 2},
        {30, 0, -1, 2}, {45, 0, -1, 4}, {35, 0, 2, 3},  // the element behind the range decides
        {5, 2, -1, 2},  {5, 4, -1, -1},
    };
    SArray<int> array;
    Fill(array, {10, 20, 30, 40});
    for (const Case& c : cases)
        EXPECT_EQ(array.FindInsertPosition(c.key, c.start, c.end), c.position)
            << c.key << " " << c.start << "," << c.end;
}

TEST(SArray, InsertSortedKeepsOrderFromEmpty) {
    SArray<int> array;
    for (int value : {50, 10, 40, 10, 30, 60, 20}) array.InsertSorted(value);
    EXPECT_EQ(Contents(array), (std::vector<int>{10, 10, 20, 30, 40, 50, 60}));
    array.AddFlags(SArray<int>::kDescending);
    array.Sort();
    array.InsertSorted(35);
    EXPECT_EQ(Contents(array), (std::vector<int>{60, 50, 40, 35, 30, 20, 10, 10}));
}

TEST(SArray, RemoveMatchingRemovesEqualValuesInTheRange) {
    struct Case {
        int start;
        int end;
        int removed;
        std::vector<int> result;
    };
    const Case cases[] = {{0, -1, 3, {2, 3}},
                          {1, 3, 1, {1, 2, 3, 1}},
                          {5, -1, 0, {1, 2, 1, 3, 1}},
                          {0, 1, 1, {2, 1, 3, 1}}};
    for (const Case& c : cases) {
        SArray<int> array;
        Fill(array, {1, 2, 1, 3, 1});
        EXPECT_EQ(array.RemoveMatching(1, c.start, c.end), c.removed) << c.start << "," << c.end;
        EXPECT_EQ(Contents(array), c.result) << c.start << "," << c.end;
    }
    SArray<int> array;
    Fill(array, {7, 7, 8});
    EXPECT_EQ(array.RemoveMatching(array.GetAt(0)), 2);  // the key is one of the elements
    EXPECT_EQ(Contents(array), (std::vector<int>{8}));
}

TEST(SArray, RemoveMatchingShrinksCapacityAcrossTheBoundary) {
    SArray<int> array;
    for (int i = 0; i < 100; ++i) array.Add(i % 2);
    EXPECT_EQ(array.RemoveMatching(1), 50);
    EXPECT_EQ(array.GetCapacity(), 64);
    EXPECT_EQ(array.Find(1), -1);
}

TEST(SArray, OwningArraysDestroyOnlyOnDelete) {
    int destroyed = 0;
    TrackedArray array;
    for (int i = 0; i < 5; ++i) array.Add(new Tracked(i, &destroyed));
    array.Add(nullptr);
    Tracked* kept = array.GetAt(4);
    array.RemoveAt(4);
    EXPECT_EQ(destroyed, 0);
    array.DeleteAt(1, 2);
    EXPECT_EQ(destroyed, 2);
    ASSERT_EQ(array.GetCount(), 3);
    EXPECT_EQ(array.GetAt(1)->value, 3);
    array.AddFlags(SArray<int>::kDescending);
    array.DeleteAll();  // the empty slot is skipped
    EXPECT_EQ(destroyed, 4);
    EXPECT_EQ(array.deletedIndices, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(array.GetCapacity(), 64);
    EXPECT_EQ(array.GetFlags(), SArray<int>::kDescending);
    delete kept;
}

TEST(SArray, RemoveMatchingDestroysMatchesInOwningArrays) {
    int destroyed = 0;
    TrackedArray array;
    for (int value : {5, 1, 5, 2, 5}) array.Add(new Tracked(value, &destroyed));
    Tracked key(5, &destroyed);
    EXPECT_EQ(array.RemoveMatching(&key), 3);
    EXPECT_EQ(destroyed, 3);
    // Each index is the one the element had when it was removed, earlier removals done.
    EXPECT_EQ(array.deletedIndices, (std::vector<int>{0, 1, 2}));
    ASSERT_EQ(array.GetCount(), 2);
    EXPECT_EQ(array.GetAt(0)->value, 1);
    EXPECT_EQ(array.GetAt(1)->value, 2);
}

TEST(SArray, ValueArraysJustRemoveOnDelete) {
    SArray<int> array;
    Fill(array, {1, 2, 3});
    array.DeleteAt(0, 2);
    EXPECT_EQ(Contents(array), (std::vector<int>{3}));
}

}  // namespace
