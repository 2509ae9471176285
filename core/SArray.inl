// Template bodies of SArray<T>; included at the end of core/SArray.h only.

namespace sarray_detail {

// Slots of pointers to objects own those objects; other element types are plain values.
template <class T>
constexpr bool kOwnsPointees =
    std::is_pointer<T>::value&& std::is_object<typename std::remove_pointer<T>::type>::value;

template <class T>
int ThreeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The order used when the element type has no comparison of its own: whole numbers of up to
// 32 bits and pointers as unsigned numbers, wider numbers as unsigned 64-bit, floating values
// numerically, anything else by its bytes.
template <class T>
int DefaultOrder(const T& a, const T& b) {
    if constexpr (std::is_floating_point<T>::value) {
        return ThreeWay(a, b);
    } else if constexpr (std::is_pointer<T>::value) {
        return ThreeWay(reinterpret_cast<uintptr_t>(a), reinterpret_cast<uintptr_t>(b));
    } else if constexpr (std::is_integral<T>::value || std::is_enum<T>::value) {
        using Unsigned = typename std::conditional<(sizeof(T) > 4), uint64_t, uint32_t>::type;
        return ThreeWay(static_cast<Unsigned>(a), static_cast<Unsigned>(b));
    } else {
        int order = std::memcmp(&a, &b, sizeof(T));
        return (order > 0) - (order < 0);
    }
}

}  // namespace sarray_detail

template <class T>
void SArray<T>::Copy(const SArray& other) {
    if (&other == this) return;
    SetCount(other.count, false);
    flags = other.flags;
    if (other.count > 0) std::memcpy(data, other.data, sizeof(T) * other.count);
}

template <class T>
void SArray<T>::RemoveAll() {
    if (!data) return;
    delete[] data;
    data = nullptr;
    capacity = count = 0;
    flags = 0;
}

// Capacity is always the next multiple of 64 strictly above the count, so an array that
// shrinks across a boundary gives memory back.
template <class T>
void SArray<T>::SetCount(int n, bool keep) {
    if (n < 0) n = 0;
    int wanted = (n / 64 + 1) * 64;
    if (wanted != capacity) {
        T* block = new T[wanted];
        int kept = n < count ? n : count;
        if (keep && data && kept > 0) std::memcpy(block, data, sizeof(T) * kept);
        delete[] data;
        data = block;
        capacity = wanted;
    }
    count = n;
}

template <class T>
int SArray<T>::InsertAt(const T& value, int pos, int n) {
    if (n < 1) return -1;
    if (pos < 0 || pos > count) pos = count;
    const T source = value;  // value may be one of our own slots, which sizing may move
    int tail = count - pos;
    SetCount(count + n, true);
    if (tail > 0) std::memmove(data + pos + n, data + pos, sizeof(T) * tail);
    for (int i = pos; i < pos + n; ++i) CopyElement(data + i, source, i);
    return pos;
}

template <class T>
void SArray<T>::RemoveAt(int start, int n) {
    if (start < 0 || start >= count || n == 0) return;
    if (n < 0 || n > count - start) n = count - start;
    int tail = count - start - n;
    if (tail > 0) std::memmove(data + start, data + start + n, sizeof(T) * tail);
    SetCount(count - n, true);
}

template <class T>
void SArray<T>::DestroyRange(int start, int n) {
    if constexpr (sarray_detail::kOwnsPointees<T>) {
        for (int i = start; i < start + n; ++i) {
            if (!data[i]) continue;
            OnDeleteElement(data + i, i);
            delete data[i];
            data[i] = nullptr;
        }
    } else {
        (void)start;
        (void)n;
    }
}

template <class T>
void SArray<T>::DeleteAt(int start, int n) {
    if (start < 0 || start >= count || n == 0) return;
    if (n < 0 || n > count - start) n = count - start;
    DestroyRange(start, n);
    RemoveAt(start, n);
}

template <class T>
void SArray<T>::DeleteAll() {
    DestroyRange(0, count);
    SetCount(0, false);
}

template <class T>
void SArray<T>::Swap(int i, int j) {
    T held = data[i];
    data[i] = data[j];
    data[j] = held;
}

template <class T>
int SArray<T>::Compare(const T& a, const T& b, intptr_t context) const {
    int order = CompareElements(a, b, flags, context);
    if (order != kNoComparison) return order;
    order = sarray_detail::DefaultOrder(a, b);
    return (flags & kDescending) ? -order : order;
}

// Resolves a search range to [start, end); false when it holds nothing.
template <class T>
bool SArray<T>::ClampRange(int& start, int& end) const {
    if (start < 0 || start >= count) return false;
    if (end < 0 || end > count) end = count;
    return start < end;
}

template <class T>
int SArray<T>::Find(const T& key, int start, int end, intptr_t context) const {
    if (!ClampRange(start, end)) return -1;
    for (int i = start; i < end; ++i)
        if (Compare(data[i], key, context) == 0) return i;
    return -1;
}

template <class T>
int SArray<T>::FindSorted(const T& key, int start, int end, intptr_t context) const {
    if (!ClampRange(start, end)) return -1;
    int low = start;
    int high = end;
    while (low < high) {
        int middle = (low + high) / 2;
        int order = Compare(key, data[middle], context);
        if (order == 0) return middle;
        if (order < 0)
            high = middle;
        else
            low = middle + 1;
    }
    return -1;
}

// The same bisection as FindSorted; where it ends empty, the element at low (which may lie
// behind the range) decides between low and low + 1.
template <class T>
int SArray<T>::FindInsertPosition(const T& key, int start, int end, intptr_t context) const {
    if (!ClampRange(start, end)) return -1;
    int low = start;
    int high = end;
    while (low < high) {
        int middle = (low + high) / 2;
        int order = Compare(key, data[middle], context);
        if (order == 0) return middle;
        if (order < 0)
            high = middle;
        else
            low = middle + 1;
    }
    if (low >= count) return count;
    return Compare(key, data[low], context) >= 0 ? low + 1 : low;
}

template <class T>
int SArray<T>::InsertSorted(const T& key, int start, int end, intptr_t context) {
    return InsertAt(key, FindInsertPosition(key, start, end, context), 1);
}

// One pass that keeps the non-matching elements in order, so removing many costs one move of
// the tail; each removed element is destroyed at the index it would have had if removed alone.
template <class T>
int SArray<T>::RemoveMatching(const T& key, int start, int end, intptr_t context) {
    if (!ClampRange(start, end)) return 0;
    const T target = key;  // key may be one of our own slots, which the pass overwrites
    int kept = start;
    for (int i = start; i < end; ++i) {
        if (Compare(data[i], target, context) != 0) {
            data[kept++] = data[i];
            continue;
        }
        if constexpr (sarray_detail::kOwnsPointees<T>) {
            if (data[i]) {
                OnDeleteElement(data + i, kept);
                delete data[i];
                data[i] = nullptr;
            }
        }
    }
    int removed = end - kept;
    if (removed == 0) return 0;
    if (count > end) std::memmove(data + kept, data + end, sizeof(T) * (count - end));
    SetCount(count - removed, true);
    return removed;
}

template <class T>
void SArray<T>::Sort(int start, int end, intptr_t context) {
    if (count < 2 || start < 0 || start > count || end < -1 || end > count) return;
    if (end == -1) end = count;
    SortRange(start, end, context);
}

// Quicksort with the middle element as pivot. The smaller part is sorted by recursion and
// the larger one by the loop, so the stack stays shallow even for runs of equal elements.
template <class T>
void SArray<T>::SortRange(int start, int end, intptr_t context) {
    while (end - start >= 2) {
        Swap(start, (start + end - 1) / 2);
        int lowerEnd = start;
        for (int i = start + 1; i < end; ++i)
            if (Compare(data[i], data[start], context) < 0) Swap(++lowerEnd, i);
        Swap(start, lowerEnd);
        if (lowerEnd - start < end - lowerEnd - 1) {
            SortRange(start, lowerEnd, context);
            start = lowerEnd + 1;
        } else {
            SortRange(lowerEnd + 1, end, context);
            end = lowerEnd;
        }
    }
}
