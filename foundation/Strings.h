#pragma once
// String lists: kis::list of heap items, each holding its own copy of a text
// and a 32-bit data word. Unlike a plain list, a string list owns its items:
// shrinking, deleting and clearing free them. AnsiStrings holds 8-bit texts,
// WideStrings UTF-16 texts; both are the one template StringList.

#include "foundation/List.h"

#include <cstdint>
#include <type_traits>

namespace kis {
class Stream;
}

namespace kis {

template <typename Ch> struct StringItem {
    Ch* text;        // heap copy, terminated; never null in an item the list made
    uint32_t length; // characters in text, terminator not counted
    uint32_t data;   // the caller's value, 0 unless given
};

using StringItemA = StringItem<char>;
using StringItemW = StringItem<char16_t>;

template <typename Ch> class StringList : public list<StringItem<Ch>> {
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

    // ---- The list as one text ------------------------------------------------
    // The items joined with the separator between neighbours make one text;
    // the UTF-16 list stores that text in files as the byte-order mark FF FE
    // followed by the text's units, little-endian, without a terminator.

    // The sum of the items' lengths, plus the separator's length times
    // (count - 1) when there are two items or more.
    uint32_t GetJoinedLength() const;
    // The joined text, cut to capacity - 1 characters and terminated. With a
    // buffer and capacity 0 the buffer is returned untouched; without a buffer
    // one of GetJoinedLength() + 1 characters is made (free it with StrFree).
    Ch* JoinText(Ch* buffer, uint32_t capacity) const;
    // Sets the separator from the first run of control characters (below 32)
    // of a terminated text, cut to two; a text without any keeps it.
    void DetectSeparator(const Ch* text);
    // Replaces the items by the lines of at most count characters of text,
    // cut at the separator; a separator at the very end adds no empty line.
    // False when a line could not be added (no memory): the list is then short.
    bool SplitText(const Ch* text, uint32_t count);

    // Writes the mark and the joined text at the stream's position; nothing
    // when the stream is not open.
    void SaveToStream(Stream& stream) const requires std::is_same_v<Ch, char16_t>;
    // Replaces the items by the lines stored from the stream's position to
    // its end, taking the separator from the text. A stream that is not open,
    // too short or without the mark gives an empty list. False when the text
    // could not be read whole (a short read, or no memory for it), which
    // leaves the list empty: a part of the lines never passes for all of them.
    bool LoadFromStream(Stream& stream) requires std::is_same_v<Ch, char16_t>;

    // Up to two characters and the terminator; a single line feed at first.
    Ch separator[3];

  private:
    int32_t AddItem(uint32_t data, const Ch* text, int32_t length);
    // Whether the terminated text begins with the separator's first
    // separatorLength characters (never for an empty separator).
    bool StartsWithSeparator(const Ch* text, uint32_t separatorLength) const;
    static void FreeItem(Item* item);
};

using AnsiStrings = StringList<char>;
using WideStrings = StringList<char16_t>;

extern template class StringList<char>;
extern template class StringList<char16_t>;

} // namespace kis
