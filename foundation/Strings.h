#pragma once
// String lists: kis::list of heap items, each holding its own copy of a text
// and a 32-bit data word. Unlike a plain list, a string list owns its items:
// shrinking, deleting and clearing free them. AnsiStrings holds 8-bit texts,
// WideStrings UTF-16 texts; both are the one template StringList.

#include "foundation/List.h"

#include <cstdint>

namespace kis {

template <typename Ch>
struct StringItem {
    Ch* text;        // heap copy, terminated; never null in an item the list made
    uint32_t length; // characters in text, terminator not counted
    uint32_t data;   // the caller's value, 0 unless given
};

using StringItemA = StringItem<char>;
using StringItemW = StringItem<char16_t>;

template <typename Ch>
class StringList : public list<StringItem<Ch>> {
public:
    using Item = StringItem<Ch>;
    using Base = list<Item>;
    using Base::Add;
    using Base::count;
    using Base::items;

    StringList();
    ~StringList() override;

    // Frees the items from the last one down to index newCount.
    void FreeItems(int32_t newCount) override;
    // Removes index i and frees its item.
    void Delete(int32_t i) override;

    // The forms without a data word add with data 0. All return the new index.
    virtual int32_t AddEmpty(int32_t length);
    virtual int32_t AddN(const Ch* text, int32_t n);
    virtual int32_t Add(const Ch* text);
    // Adds an item whose buffer holds length characters (negative counts as 0)
    // for the caller to fill, terminated at index length.
    virtual int32_t AddEmpty(uint32_t data, int32_t length);
    // Adds a copy of at most n characters; a null text or n <= 0 gives an
    // empty text.
    virtual int32_t AddN(uint32_t data, const Ch* text, int32_t n);
    // Adds a copy of the text (null gives an empty text).
    virtual int32_t Add(uint32_t data, const Ch* text);
    // Adds a copy of every text of other; the data words are not copied.
    virtual void AddStrings(const StringList* other);
    // IndexOfTextEx(text, true).
    virtual int32_t IndexOfText(const Ch* text) const;
    // Inserts an item holding a copy of text before index i; -1 when i is
    // outside 0..count.
    virtual int32_t InsertText(int32_t i, const Ch* text);
    // SetItem(i, text, 0).
    virtual void SetText(int32_t i, const Ch* text);
    // Copies the text of item i into buffer (an empty text when i is out of
    // range); returns the buffer.
    virtual Ch* CopyText(int32_t i, Ch* buffer, uint32_t size) const;
    // The text of item i; null outside 0..count-1.
    virtual const Ch* GetText(int32_t i) const;

    // First index whose text is this very pointer or compares equal (ignoring
    // case when asked); -1 when none.
    int32_t IndexOfTextEx(const Ch* text, bool ignoreCase) const;
    // Stores text and data in item i (creating the item when the slot is
    // null); nothing outside 0..count-1.
    void SetItem(int32_t i, const Ch* text, uint32_t data);
    // Appends text to item i and returns its new text; null when i is out of
    // range.
    const Ch* AppendText(int32_t i, const Ch* text);

    // Up to two characters and the terminator; a single line feed at first.
    Ch separator[3];

private:
    int32_t AddItem(uint32_t data, const Ch* text, int32_t length);
    static void FreeItem(Item* item);
};

using AnsiStrings = StringList<char>;
using WideStrings = StringList<char16_t>;

extern template class StringList<char>;
extern template class StringList<char16_t>;

} // namespace kis
