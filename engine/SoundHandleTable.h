#pragma once
// The handle tables of the sound manager. A handle is
//   tag | serial << 16 | index
// with the kind tag in bits 29-31, a 13-bit serial in bits 16-28 and the
// entry index in bits 0-15. Removing an entry moves its serial on, so a kept
// handle of a removed object resolves to nothing even after the entry has
// been reused. 0 is never a handle.
//
// Live entries are linked from the newest to the oldest; walks go that way.

#include <cstdint>
#include <vector>

template <uint32_t Tag, class T> class HandleTable {
  public:
    static constexpr uint32_t kTag = Tag;
    static constexpr uint32_t kTagMask = 0xE0000000u;
    static constexpr uint32_t kSerialMask = 0x1FFFu;
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    static constexpr uint32_t kMaxEntries = 65536;
    static_assert((Tag & ~kTagMask) == 0 && Tag != 0, "the tag lives in the top three bits");

    HandleTable() = default;
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // The new handle, or 0 for a null object or a table of kMaxEntries.
    uint32_t Add(T* object) {
        if (!object) return 0;
        if (count_ == Capacity() && !Grow()) return 0;
        uint32_t index;
        if (freeHead_ != kNone) {
            index = freeHead_;
            freeHead_ = entries_[index].nextFree;
        } else {
            index = used_++;
            entries_[index].serial = 1;
        }
        Entry& entry = entries_[index];
        entry.object = object;
        entry.nextFree = kNone;
        entry.handle = Tag | (entry.serial << 16) | index;
        entry.older = newest_;
        entry.newer = kNone;
        if (newest_ != kNone) entries_[newest_].newer = index;
        newest_ = index;
        ++count_;
        return entry.handle;
    }

    // Removes the entry only when the handle is live and holds that object.
    bool Remove(uint32_t handle, const T* object) {
        const uint32_t index = Find(handle);
        if (index == kNone || entries_[index].object != object) return false;
        Entry* entry = &entries_[index];
        entry->serial = entry->serial >= kSerialMask ? 1 : entry->serial + 1;
        entry->object = nullptr;
        entry->nextFree = freeHead_;
        freeHead_ = index;
        --count_;
        if (entry->older != kNone) entries_[entry->older].newer = entry->newer;
        if (entry->newer != kNone) entries_[entry->newer].older = entry->older;
        if (newest_ == index) newest_ = entry->older;
        entry->older = entry->newer = kNone;
        return true;
    }

    T* Resolve(uint32_t handle) const {
        const uint32_t index = Find(handle);
        return index != kNone ? entries_[index].object : nullptr;
    }

    // The newest live entry: its handle (0 when the table is empty).
    uint32_t Newest(T** object) const { return Report(newest_, object); }

    // The live entry added before the one of `handle`; 0 at the end or for a
    // handle that is not live.
    uint32_t Older(uint32_t handle, T** object) const {
        const uint32_t index = Find(handle);
        return Report(index != kNone ? entries_[index].older : kNone, object);
    }

    // Deletes the newest object until none is left; each object's destructor
    // removes its own handle.
    void DeleteAll() {
        while (newest_ != kNone) {
            T* object = entries_[newest_].object;
            const uint32_t before = count_;
            delete object;
            // An object that failed to remove itself would loop forever.
            if (count_ == before) Remove(entries_[newest_].handle, object);
        }
    }

    uint32_t Count() const { return count_; }
    uint32_t Capacity() const { return uint32_t(entries_.size()); }
    uint32_t Used() const { return used_; }

  private:
    struct Entry {
        T* object = nullptr;
        uint32_t serial = 0;
        uint32_t nextFree = kNone;
        uint32_t older = kNone;
        uint32_t newer = kNone;
        uint32_t handle = 0;
    };

    // The index of a live handle's entry, or kNone.
    uint32_t Find(uint32_t handle) const {
        if (handle == 0 || (handle & kTagMask) != Tag) return kNone;
        const uint32_t index = handle & 0xFFFFu;
        if (index >= used_) return kNone;
        const Entry& entry = entries_[index];
        if (!entry.object || entry.serial != ((handle >> 16) & kSerialMask)) return kNone;
        return index;
    }

    uint32_t Report(uint32_t index, T** object) const {
        if (index == kNone) {
            if (object) *object = nullptr;
            return 0;
        }
        if (object) *object = entries_[index].object;
        return entries_[index].handle;
    }

    // 32 entries at a time below 128, then a quarter more, up to kMaxEntries.
    bool Grow() {
        const uint32_t capacity = Capacity();
        if (capacity >= kMaxEntries) return false;
        uint32_t grown = capacity < 128 ? capacity + 32 : capacity + capacity / 4;
        if (grown > kMaxEntries) grown = kMaxEntries;
        entries_.resize(grown);
        return true;
    }

    std::vector<Entry> entries_;
    uint32_t count_ = 0;
    uint32_t used_ = 0;
    uint32_t freeHead_ = kNone;
    uint32_t newest_ = kNone;
};
