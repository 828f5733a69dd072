#pragma once
// kis::list<T>: the one container of the system, an ordered growable array of
// pointers to T. A plain list never owns its elements; an owning collection
// calls DeleteAll from its own destructor. Elements may be null.
//
// The virtual operations are declared in a fixed order (FreeItems, destructor,
// IndexOf, Add, AddList, Delete, Set, Insert, InsertUnique, Get) so that
// derived lists such as the string lists extend one known table.

#include "platform/Memory.h"

#include <cstdint>
#include <cstdlib>

namespace kis {

template <typename T> class list {
  public:
    list() = default;
    list(const list&) = delete;
    list& operator=(const list&) = delete;

    // Called by SetCount before the count shrinks to newCount; a plain list
    // has nothing to free.
    virtual void FreeItems(int32_t newCount) { (void)newCount; }

    // Frees the pointer array only; the elements are left alone.
    virtual ~list() { Clear(); }

    // First index holding x, or -1.
    virtual int32_t IndexOf(const T* x) const {
        for (int32_t i = 0; i < count; ++i) {
            if (items[i] == x) return i;
        }
        return -1;
    }

    // Appends x and returns its index (-1 only when memory runs out).
    virtual int32_t Add(T* x) {
        GrowIfFull();
        if (count == capacity) return -1;
        items[count] = x;
        return count++;
    }

    // Appends every element of other, in order. The capacity becomes exactly
    // what is needed when it is short; the growth rule is not applied.
    virtual void AddList(const list* other) {
        if (!other || other->count <= 0) return;
        const int32_t otherCount = other->count;
        const int32_t needed = count + otherCount;
        if (capacity <= needed) SetCapacity(needed);
        if (capacity < needed) return;
        // Read other->items only now: other may be this list, reallocated.
        for (int32_t i = 0; i < otherCount; ++i)
            items[count + i] = other->items[i];
        count = needed;
    }

    // Removes index i and shifts the later elements down; the element is not
    // freed. Out of range does nothing.
    virtual void Delete(int32_t i) {
        if (i < 0 || i >= count) return;
        for (int32_t k = i; k + 1 < count; ++k)
            items[k] = items[k + 1];
        --count;
    }

    virtual void Set(int32_t i, T* x) {
        if (i >= 0 && i < count) items[i] = x;
    }

    // Inserts x before index i; at i == count this is Add (a derived Add is
    // honoured). Returns the index, or -1 when i is outside 0..count.
    virtual int32_t Insert(int32_t i, T* x) {
        if (i == count) return Add(x);
        if (i < 0 || i > count) return -1;
        GrowIfFull();
        if (count == capacity) return -1;
        for (int32_t k = count; k > i; --k)
            items[k] = items[k - 1];
        items[i] = x;
        ++count;
        return i;
    }

    // The index of x when present, else Insert(i, x).
    virtual int32_t InsertUnique(int32_t i, T* x) {
        int32_t found = IndexOf(x);
        return found >= 0 ? found : Insert(i, x);
    }

    // The element at i; null outside 0..count-1.
    virtual T* Get(int32_t i) const { return (i >= 0 && i < count) ? items[i] : nullptr; }

    int32_t Count() const { return count; }
    bool IsEmpty() const { return count == 0; }
    T* First() const { return Get(0); }
    T* Last() const { return Get(count - 1); }

    // Deletes x from the list (not the element itself); false when absent.
    bool Remove(const T* x) {
        int32_t i = IndexOf(x);
        if (i < 0) return false;
        Delete(i);
        return true;
    }

    int32_t AddUnique(T* x) {
        int32_t found = IndexOf(x);
        return found >= 0 ? found : Add(x);
    }

    // Moves the element at from to index to, shifting those between. Adjacent
    // indices swap. Nothing happens when from == to or either is out of range.
    void Move(int32_t from, int32_t to) {
        if (from == to || from < 0 || from >= count || to < 0 || to >= count) return;
        T* moved = items[from];
        if (from < to) {
            for (int32_t k = from; k < to; ++k)
                items[k] = items[k + 1];
        } else {
            for (int32_t k = from; k > to; --k)
                items[k] = items[k - 1];
        }
        items[to] = moved;
    }

    // Growing fills the new slots with null (the capacity becomes exactly n
    // when short); shrinking calls FreeItems(n) first. A negative n counts
    // as 0.
    void SetCount(int32_t n) {
        if (n < 0) n = 0;
        if (n == count) return;
        if (n > count) {
            if (n > capacity) SetCapacity(n);
            if (n > capacity) return;
            for (int32_t k = count; k < n; ++k)
                items[k] = nullptr;
        } else {
            FreeItems(n);
        }
        count = n;
    }

    // Empties the list and keeps the pointer array.
    void Reset() { SetCount(0); }

    // Empties the list and frees the pointer array.
    void Clear() {
        SetCount(0);
        SetCapacity(0);
    }

    // Reallocates the pointer array to n slots, keeping its contents. Nothing
    // happens when n < count (or when memory runs out).
    void SetCapacity(int32_t n) {
        if (n < count) return;
        if (n == 0) {
            std::free(items);
            items = nullptr;
        } else {
            void* grown = platform::Reallocate(items, sizeof(T*) * size_t(n));
            if (!grown) return;
            items = static_cast<T**>(grown);
        }
        capacity = n;
    }

    void GrowIfFull() {
        if (count == capacity) Grow();
    }

    // Growth rule: +4 up to a capacity of 8, +16 up to 64, then +capacity/4
    // (4, 8, 12, 28, 44, 60, 76, 95, 118, 147, ...).
    void Grow() {
        int32_t step = capacity <= 8 ? 4 : (capacity <= 64 ? 16 : capacity / 4);
        SetCapacity(capacity + step);
    }

    // Deletes every non-null element, the last one first, then clears.
    void DeleteAll() {
        for (int32_t i = count - 1; i >= 0; --i) {
            T* element = items[i];
            items[i] = nullptr;
            delete element;
        }
        Clear();
    }

    T** items = nullptr;
    int32_t count = 0;
    int32_t capacity = 0;
};

} // namespace kis
