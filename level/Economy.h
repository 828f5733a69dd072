#pragma once
// The level's money, the rolling counter that shows it, and the stock of the
// level's warehouse.

#include <cstdint>
#include <functional>
#include <vector>

// A product of the product table. The farm layer defines the record; the
// stock only keeps pointers to it (owned by the product table).
struct PRODUCT;

// Listeners without arguments, called in the order they were added. A
// listener may remove itself or another while the list is called.
class ValueListeners {
  public:
    using Listener = std::function<void()>;
    // Returns an id for Remove (never 0).
    uint32_t Add(Listener listener);
    void Remove(uint32_t id);
    void Notify();
    size_t Count() const;

  private:
    struct Entry {
        uint32_t id;
        Listener listener;
    };
    std::vector<Entry> entries_;
    uint32_t nextId_ = 1;
};

// The level's money: never below 0, never above 99,999.
class MoneyValue {
  public:
    static constexpr int32_t kMaximum = 99999;

    int32_t Get() const { return value_; }
    // Sets the value (clamped) without telling the listeners: the level's
    // set-up and load.
    void Set(int32_t value);
    // Adds (a negative amount takes), capped at 99,999 and not below 0, and
    // notifies the listeners. Returns the change actually made.
    int32_t Add(int32_t amount);
    // Subtracts, not below 0 (a negative amount adds), and notifies the
    // listeners. Returns the amount actually taken.
    int32_t Subtract(int32_t amount);
    ValueListeners& Listeners() { return listeners_; }

  private:
    int32_t value_ = 0;
    ValueListeners listeners_;
};

// A displayed number that rolls towards its target in 30-ms ticks.
class ValueCounter {
  public:
    static constexpr uint32_t kTickMs = 30;

    // Rolls from the shown value to the target, starting delay ms after
    // clock and arriving at most longestMs later; longestMs 0 jumps at once
    // (after the delay).
    void SetTarget(int32_t value, uint32_t longestMs, uint32_t clock, uint32_t delay);
    // The value to show at clock.
    int32_t Update(uint32_t clock);
    int32_t Value() const { return value_; }
    int32_t Target() const { return target_; }
    bool IsRolling() const { return value_ != target_; }

  private:
    int32_t value_ = 0;
    int32_t from_ = 0;
    int32_t target_ = 0;
    uint32_t start_ = 0;
    uint32_t steps_ = 0;
};

// The stock of the level's warehouse: one record per product held.
class ProductStock {
  public:
    struct Record {
        const PRODUCT* product;
        uint32_t count;
        uint32_t capacity; // at the current warehouse level
    };
    // The capacity of a product at a warehouse level (the warehouse type's
    // level record in the building table).
    using CapacityFunction = std::function<uint32_t(const PRODUCT* product, uint32_t level)>;
    // Called with a copy of the changed record; a record that a removal
    // emptied (count 0) is already gone from the stock when this is called.
    using Listener = std::function<void(const Record& record)>;

    ProductStock(CapacityFunction capacity, uint32_t highestLevel);

    // Adds up to the room left and answers the units taken.
    uint32_t Add(const PRODUCT* product, uint32_t n);
    // Takes up to n units out, drops the record when it empties and answers
    // the units taken.
    uint32_t Remove(const PRODUCT* product, uint32_t n);
    uint32_t GetCount(const PRODUCT* product) const;
    uint32_t GetCapacity(const PRODUCT* product) const;
    // The room left for the product.
    uint32_t GetRoom(const PRODUCT* product) const;
    // The record's index; -1 when absent or for a null product.
    int32_t IndexOf(const PRODUCT* product) const;
    // Raises the warehouse level (never lowers it) and refreshes every
    // record's capacity.
    void SetWarehouseLevel(uint32_t level);
    uint32_t GetWarehouseLevel() const { return level_; }
    uint32_t GetHighestLevel() const { return highestLevel_; }

    int32_t RecordCount() const { return int32_t(records_.size()); }
    const Record& GetRecord(int32_t i) const { return records_[size_t(i)]; }
    // Empties the stock and returns to warehouse level 1 (the level's reset).
    void Clear();

    uint32_t AddListener(Listener listener);
    void RemoveListener(uint32_t id);

  private:
    void Notify(const Record& record);

    CapacityFunction capacity_;
    uint32_t level_ = 1;
    uint32_t highestLevel_;
    std::vector<Record> records_;
    std::vector<std::pair<uint32_t, Listener>> listeners_;
    uint32_t nextListener_ = 1;
};
