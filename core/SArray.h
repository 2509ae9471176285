#pragma once
// SArray<T>: the framework's growable array of plain values or pointers. Capacity moves in
// steps of 64 slots (always the next multiple of 64 strictly above the count, in either
// direction). A flags word steers comparisons: bit 1 reverses every result, and element
// types may define more (SStringArray's 0x10000 ignores case). Arrays of pointers own what
// their slots point to only for DeleteAt, DeleteAll and RemoveMatching.
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/SString.h"

template <class T>
class SArray {
    static_assert(std::is_trivially_copyable<T>::value, "SArray holds plain values");

public:
    static constexpr uint32_t kDescending = 1;
    static constexpr uint32_t kIgnoreCase = 0x10000;
    static constexpr int kNoComparison = -2;

    SArray() = default;
    SArray(const SArray&) = delete;
    SArray& operator=(const SArray&) = delete;
    virtual ~SArray() { SArray::RemoveAll(); }

    // Virtual operations, in slot order after the destructor.
    virtual void Copy(const SArray& other);
    virtual void RemoveAll();
    virtual void CopyElement(T* slot, const T& source, int index) {
        (void)index;
        *slot = source;
    }
    virtual void OnDeleteElement(T* slot, int index) {
        (void)slot;
        (void)index;
    }
    virtual int CompareElements(const T& a, const T& b, uint32_t flags, intptr_t context) const {
        (void)a;
        (void)b;
        (void)flags;
        (void)context;
        return kNoComparison;
    }
    virtual void ElementFromText(T* slot, const SString& text) {
        (void)slot;
        (void)text;
    }
    virtual SString ElementToText(const T& element) const {
        (void)element;
        return SString();
    }

    int GetCount() const { return count; }
    int GetCapacity() const { return capacity; }
    T& GetAt(int i) { return data[i]; }
    const T& GetAt(int i) const { return data[i]; }
    T* GetSlot(int i) { return data + i; }

    void SetCount(int n, bool keep);
    int InsertAt(const T& value, int pos = -1, int n = 1);
    int Add(const T& value) { return InsertAt(value, -1, 1); }
    void RemoveAt(int start, int n = 1);
    void DeleteAt(int start, int n = 1);
    void DeleteAll();
    void Swap(int i, int j);

    int Find(const T& key, int start = 0, int end = -1, intptr_t context = 0) const;
    int FindSorted(const T& key, int start = 0, int end = -1, intptr_t context = 0) const;
    int FindInsertPosition(const T& key, int start = 0, int end = -1, intptr_t context = 0) const;
    int InsertSorted(const T& key, int start = 0, int end = -1, intptr_t context = 0);
    int RemoveMatching(const T& key, int start = 0, int end = -1, intptr_t context = 0);
    void Sort(int start = 0, int end = -1, intptr_t context = 0);

    void AddFlags(uint32_t bits) { flags |= bits; }
    uint32_t GetFlags() const { return flags; }

protected:
    int Compare(const T& a, const T& b, intptr_t context) const;

private:
    bool ClampRange(int& start, int& end) const;
    void DestroyRange(int start, int n);
    void SortRange(int start, int end, intptr_t context);

    int capacity = 0;
    int count = 0;
    T* data = nullptr;
    uint32_t flags = 0;
};

#include "core/SArray.inl"
