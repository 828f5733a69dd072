#pragma once
#include <cstdint>
#include <memory>

// The warehouse window on the showcase screen: F7 opens it over a sample
// stock (10 wheat, 3 apples, 2 eggs; 40 coins; the warehouse at level 1 of
// the "warehouse" type's levels). Earning 10 coins by sales reaches the
// sample's money goal, which shows a goal notice at the bottom right. Sales
// and upgrades are logged. F7 again closes the window.
class WarehouseShowcase {
  public:
    WarehouseShowcase();
    ~WarehouseShowcase();
    WarehouseShowcase(const WarehouseShowcase&) = delete;
    WarehouseShowcase& operator=(const WarehouseShowcase&) = delete;

    // True when the key was F7.
    bool Key(uint32_t virtualKey);
    void Close();

  private:
    class SampleLevel;
    void Open();

    std::unique_ptr<SampleLevel> level_; // while the window is open
};
