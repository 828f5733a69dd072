#pragma once
// Small getters the game code and the window toolkit share. They belong
// with the types they serve - IsAtMost and IsDamaged with the level's money
// and points, SetHintItemPosition and UnionHintItemBounds with the hint
// items of the window toolkit - and move there when those folders exist;
// until then they are written against the few members they need.

#include "foundation/Helpers.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

// True when the value is not above the object's first 32-bit field (read as
// i32): a price against the money's amount, a page index against a count.
template <class Object> bool IsAtMost(const Object& object, int32_t value) {
    static_assert(std::is_standard_layout_v<Object> && sizeof(Object) >= sizeof(int32_t));
    int32_t first = 0;
    std::memcpy(&first, &object, sizeof first);
    return value <= first;
}

// True while the level point carries a damage object.
template <class Point> bool IsDamaged(const Point& point) {
    return point.GetDamage() != nullptr;
}

// Moves a hint item to (x, y) keeping its width and height, through the
// item's own bounds-setting operation (which a kind of item may extend).
template <class Item> void SetHintItemPosition(Item& item, int32_t x, int32_t y) {
    const kis::Rect& bounds = item.GetBounds();
    item.SetBounds(kis::MakeRect(x, y, x + (bounds.right - bounds.left), y + (bounds.bottom - bounds.top)));
}

// Extends the rectangle so that it also covers the item's rectangle.
template <class Item> void UnionHintItemBounds(const Item& item, kis::Rect& rectangle) {
    kis::UnionRect(rectangle, rectangle, item.GetBounds());
}
