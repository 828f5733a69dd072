#include "level/Economy.h"

#include <algorithm>

// ---------------------------------------------------------------- listeners

uint32_t ValueListeners::Add(Listener listener) {
    const uint32_t id = nextId_++;
    entries_.push_back({id, std::move(listener)});
    return id;
}

void ValueListeners::Remove(uint32_t id) {
    // Only emptied here: Notify may be walking the list.
    for (Entry& entry : entries_) {
        if (entry.id == id) entry.listener = nullptr;
    }
}

void ValueListeners::Notify() {
    // By index, since a listener may add another; the list is tidied after.
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].listener) {
            Listener call = entries_[i].listener; // survives its own removal
            call();
        }
    }
    std::erase_if(entries_, [](const Entry& entry) { return !entry.listener; });
}

size_t ValueListeners::Count() const {
    return size_t(
        std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return bool(e.listener); }));
}

// ---------------------------------------------------------------- money

void MoneyValue::Set(int32_t value) {
    value_ = std::clamp(value, 0, kMaximum);
}

int32_t MoneyValue::Add(int32_t amount) {
    const int32_t old = value_;
    const int64_t sum = int64_t(value_) + amount;
    value_ = int32_t(std::clamp<int64_t>(sum, 0, kMaximum));
    listeners_.Notify();
    return value_ - old;
}

int32_t MoneyValue::Subtract(int32_t amount) {
    const int32_t old = value_;
    const int64_t rest = int64_t(value_) - amount;
    value_ = int32_t(std::clamp<int64_t>(rest, 0, kMaximum));
    listeners_.Notify();
    return old - value_;
}

// ---------------------------------------------------------------- counter

void ValueCounter::SetTarget(int32_t value, uint32_t longestMs, uint32_t clock, uint32_t delay) {
    from_ = value_;
    target_ = value;
    start_ = clock + delay;
    steps_ = longestMs / kTickMs; // whole ticks within the time; 0 jumps
}

int32_t ValueCounter::Update(uint32_t clock) {
    if (value_ == target_) return value_;
    // The clock is a wrapping millisecond count: a start still ahead of it
    // shows up as a difference in the upper half.
    const uint32_t since = clock - start_;
    if (since >= 0x80000000u) return value_;
    const uint32_t ticks = since / kTickMs;
    if (ticks >= steps_) {
        value_ = target_;
    } else {
        const int64_t span = int64_t(target_) - from_;
        value_ = int32_t(from_ + span * ticks / steps_);
    }
    return value_;
}

// ---------------------------------------------------------------- stock

ProductStock::ProductStock(CapacityFunction capacity, uint32_t highestLevel)
    : capacity_(std::move(capacity)), highestLevel_(std::max<uint32_t>(highestLevel, 1)) {}

int32_t ProductStock::IndexOf(const PRODUCT* product) const {
    if (!product) return -1;
    for (size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].product == product) return int32_t(i);
    }
    return -1;
}

uint32_t ProductStock::GetCount(const PRODUCT* product) const {
    const int32_t i = IndexOf(product);
    return i < 0 ? 0 : records_[size_t(i)].count;
}

uint32_t ProductStock::GetCapacity(const PRODUCT* product) const {
    if (!product || !capacity_) return 0;
    return capacity_(product, level_);
}

uint32_t ProductStock::GetRoom(const PRODUCT* product) const {
    const uint32_t capacity = GetCapacity(product);
    const uint32_t count = GetCount(product);
    return count >= capacity ? 0 : capacity - count;
}

uint32_t ProductStock::Add(const PRODUCT* product, uint32_t n) {
    const uint32_t taken = std::min(n, GetRoom(product));
    if (taken == 0) return 0;
    int32_t i = IndexOf(product);
    if (i < 0) {
        records_.push_back({product, 0, GetCapacity(product)});
        i = int32_t(records_.size() - 1);
    }
    records_[size_t(i)].count += taken;
    Notify(records_[size_t(i)]);
    return taken;
}

uint32_t ProductStock::Remove(const PRODUCT* product, uint32_t n) {
    const int32_t i = IndexOf(product);
    if (i < 0 || n == 0) return 0;
    Record& record = records_[size_t(i)];
    const uint32_t taken = std::min(n, record.count);
    record.count -= taken;
    // A copy: the listeners see the emptied record, which then goes.
    const Record changed = record;
    if (record.count == 0) records_.erase(records_.begin() + i);
    Notify(changed);
    return taken;
}

void ProductStock::SetWarehouseLevel(uint32_t level) {
    if (level <= level_) return;
    level_ = level;
    for (Record& record : records_)
        record.capacity = GetCapacity(record.product);
}

void ProductStock::Clear() {
    records_.clear();
    level_ = 1;
}

uint32_t ProductStock::AddListener(Listener listener) {
    const uint32_t id = nextListener_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void ProductStock::RemoveListener(uint32_t id) {
    for (auto& entry : listeners_) {
        if (entry.first == id) entry.second = nullptr;
    }
}

void ProductStock::Notify(const Record& record) {
    for (size_t i = 0; i < listeners_.size(); ++i) {
        if (listeners_[i].second) {
            Listener call = listeners_[i].second;
            call(record);
        }
    }
    std::erase_if(listeners_, [](const auto& entry) { return !entry.second; });
}
