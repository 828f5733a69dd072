#include "foundation/Strings.h"

#include "foundation/ByteOrder.h"
#include "foundation/StrEdit.h"
#include "foundation/StrFunctions.h"
#include "foundation/Stream.h"

#include <new>

namespace kis {

template <typename Ch> StringList<Ch>::StringList() : separator{Ch('\n'), 0, 0} {}

template <typename Ch> StringList<Ch>::~StringList() {
    // The base destructor cannot reach this class's FreeItems any more.
    this->Clear();
}

template <typename Ch> void StringList<Ch>::FreeItem(Item* item) {
    if (!item) return;
    StrFree(item->text);
    delete item;
}

template <typename Ch> void StringList<Ch>::FreeItems(int32_t newCount) {
    for (int32_t i = count - 1; i >= newCount && i >= 0; --i) {
        FreeItem(items[i]);
        items[i] = nullptr;
    }
}

template <typename Ch> void StringList<Ch>::Delete(int32_t i) {
    if (i < 0 || i >= count) return;
    Item* item = items[i];
    Base::Delete(i);
    FreeItem(item);
}

// Adds an item holding the first `length` characters of text (none when text
// is null; the buffer is then left for the caller to fill) and a terminator.
template <typename Ch> int32_t StringList<Ch>::AddItem(uint32_t data, const Ch* text, int32_t length) {
    if (length < 0) length = 0;
    Item* item = new (std::nothrow) Item{nullptr, uint32_t(length), data};
    if (!item) return -1;
    item->text = new (std::nothrow) Ch[size_t(length) + 1];
    if (!item->text) {
        delete item;
        return -1;
    }
    if (text) {
        for (int32_t k = 0; k < length; ++k)
            item->text[k] = text[k];
    }
    item->text[length] = 0;
    int32_t index = Add(item);
    if (index < 0) FreeItem(item);
    return index;
}

template <typename Ch> int32_t StringList<Ch>::AddEmpty(int32_t length) {
    return AddEmpty(0u, length);
}

template <typename Ch> int32_t StringList<Ch>::AddN(const Ch* text, int32_t n) {
    return AddN(0u, text, n);
}

template <typename Ch> int32_t StringList<Ch>::Add(const Ch* text) {
    return Add(0u, text);
}

template <typename Ch> int32_t StringList<Ch>::AddEmpty(uint32_t data, int32_t length) {
    return AddItem(data, nullptr, length);
}

template <typename Ch> int32_t StringList<Ch>::AddN(uint32_t data, const Ch* text, int32_t n) {
    if (!text || n <= 0) return AddItem(data, nullptr, 0);
    int32_t length = 0;
    while (length < n && text[length])
        ++length;
    return AddItem(data, text, length);
}

template <typename Ch> int32_t StringList<Ch>::Add(uint32_t data, const Ch* text) {
    return AddItem(data, text, StrLen(text));
}

template <typename Ch> void StringList<Ch>::AddStrings(const StringList* other) {
    if (!other || other->count <= 0) return;
    const int32_t otherCount = other->count;
    if (this->capacity < count + otherCount) this->SetCapacity(count + otherCount);
    for (int32_t i = 0; i < otherCount; ++i)
        Add(other->GetText(i));
}

template <typename Ch> int32_t StringList<Ch>::IndexOfText(const Ch* text) const {
    return IndexOfTextEx(text, true);
}

template <typename Ch> int32_t StringList<Ch>::IndexOfTextEx(const Ch* text, bool ignoreCase) const {
    for (int32_t i = 0; i < count; ++i) {
        const Ch* own = items[i] ? items[i]->text : nullptr;
        if (own == text) return i;
        if ((ignoreCase ? StrICompare(own, text) : StrCompare(own, text)) == 0) return i;
    }
    return -1;
}

template <typename Ch> int32_t StringList<Ch>::InsertText(int32_t i, const Ch* text) {
    int32_t index = this->Insert(i, nullptr);
    if (index >= 0) SetItem(index, text, 0);
    return index;
}

template <typename Ch> void StringList<Ch>::SetText(int32_t i, const Ch* text) {
    SetItem(i, text, 0);
}

template <typename Ch> Ch* StringList<Ch>::CopyText(int32_t i, Ch* buffer, uint32_t size) const {
    return StrCopy(buffer, size, GetText(i));
}

template <typename Ch> const Ch* StringList<Ch>::GetText(int32_t i) const {
    Item* item = this->Get(i);
    return item ? item->text : nullptr;
}

template <typename Ch> void StringList<Ch>::SetItem(int32_t i, const Ch* text, uint32_t data) {
    if (i < 0 || i >= count) return;
    Item*& item = items[i];
    if (!item) {
        item = new (std::nothrow) Item{nullptr, 0, 0};
        if (!item) return;
    }
    item->data = data;
    const auto length = uint32_t(StrLen(text));
    if (!item->text || item->length != length) {
        Ch* buffer = new (std::nothrow) Ch[size_t(length) + 1];
        if (!buffer) return;
        // Copy before freeing: text may be the item's own text.
        for (uint32_t k = 0; k < length; ++k)
            buffer[k] = text[k];
        buffer[length] = 0;
        StrFree(item->text);
        item->text = buffer;
        item->length = length;
        return;
    }
    for (uint32_t k = 0; k < length; ++k)
        item->text[k] = text[k];
    item->text[length] = 0;
}

template <typename Ch> const Ch* StringList<Ch>::AppendText(int32_t i, const Ch* text) {
    if (i < 0 || i >= count) return nullptr;
    Item*& item = items[i];
    if (!item) {
        item = new (std::nothrow) Item{nullptr, 0, 0};
        if (!item) return nullptr;
    }
    const uint32_t own = item->text ? item->length : 0;
    const auto extra = uint32_t(StrLen(text));
    Ch* buffer = new (std::nothrow) Ch[size_t(own) + extra + 1];
    if (!buffer) return item->text;
    for (uint32_t k = 0; k < own; ++k)
        buffer[k] = item->text[k];
    for (uint32_t k = 0; k < extra; ++k)
        buffer[own + k] = text[k];
    buffer[own + extra] = 0;
    StrFree(item->text);
    item->text = buffer;
    item->length = own + extra;
    return buffer;
}

template <typename Ch> uint32_t StringList<Ch>::GetJoinedLength() const {
    uint32_t total = 0;
    for (int32_t i = 0; i < count; ++i)
        total += items[i] ? items[i]->length : 0;
    if (count >= 2) total += uint32_t(StrLen(separator)) * uint32_t(count - 1);
    return total;
}

template <typename Ch> Ch* StringList<Ch>::JoinText(Ch* buffer, uint32_t capacity) const {
    if (buffer && capacity == 0) return buffer;
    if (!buffer) {
        capacity = GetJoinedLength() + 1;
        buffer = new (std::nothrow) Ch[capacity];
        if (!buffer) return nullptr;
    }
    const uint32_t room = capacity - 1;
    const auto separatorLength = uint32_t(StrLen(separator));
    uint32_t p = 0;
    for (int32_t i = 0; i < count && p < room; ++i) {
        if (i > 0) {
            for (uint32_t k = 0; k < separatorLength && p < room; ++k)
                buffer[p++] = separator[k];
            if (p == room) break;
        }
        const Item* item = items[i];
        if (!item || !item->text) continue;
        for (uint32_t k = 0; k < item->length && p < room; ++k)
            buffer[p++] = item->text[k];
    }
    buffer[p] = 0;
    return buffer;
}

template <typename Ch> void StringList<Ch>::DetectSeparator(const Ch* text) {
    if (!text) return;
    const Ch* p = text;
    while (*p && uint32_t(std::make_unsigned_t<Ch>(*p)) >= 32)
        ++p;
    if (!*p) return;
    int n = 0;
    while (n < 2 && p[n] && uint32_t(std::make_unsigned_t<Ch>(p[n])) < 32)
        ++n;
    separator[0] = p[0];
    separator[1] = n > 1 ? p[1] : Ch(0);
    separator[2] = 0;
}

template <typename Ch>
bool StringList<Ch>::StartsWithSeparator(const Ch* text, uint32_t separatorLength) const {
    if (separatorLength == 0) return false;
    for (uint32_t k = 0; k < separatorLength; ++k)
        if (text[k] != separator[k]) return false; // a zero in text ends the match here
    return true;
}

template <typename Ch> bool StringList<Ch>::SplitText(const Ch* text, uint32_t count) {
    this->Clear();
    if (!text || count == 0) return true;
    const auto separatorLength = uint32_t(StrLen(separator));
    uint32_t remaining = count;
    const Ch* p = text;
    while (remaining > 0 && *p) {
        // The separator is looked for only up to the counted characters and
        // the zero, never in the whole rest of the text: a text of many lines
        // is split in one pass. One found beyond the count does not end the line.
        uint32_t found = 0;
        while (found < remaining && p[found] && !StartsWithSeparator(p + found, separatorLength))
            ++found;
        const bool ends = found < remaining && p[found];
        const uint32_t line = ends ? found : remaining;
        if (AddN(p, int32_t(line)) < 0) return false;
        uint32_t step = line + (ends ? separatorLength : 0);
        if (step > remaining) step = remaining;
        p += step;
        remaining -= step;
    }
    return true;
}

template <typename Ch>
void StringList<Ch>::SaveToStream(Stream& stream) const requires std::is_same_v<Ch, char16_t> {
    const uint32_t length = GetJoinedLength();
    Ch* text = JoinText(nullptr, 0);
    if (!text) return;
    if (stream.IsOpen()) {
        // The units go out little-endian whatever the machine's byte order.
        uint8_t* bytes = new (std::nothrow) uint8_t[2 + size_t(length) * 2];
        if (bytes) {
            bytes[0] = 0xFF;
            bytes[1] = 0xFE;
            for (uint32_t i = 0; i < length; ++i)
                StoreLE16(bytes + 2 + size_t(i) * 2, uint16_t(text[i]));
            stream.Write(bytes, 2 + int64_t(length) * 2);
            delete[] bytes;
        }
    }
    StrFree(text);
}

template <typename Ch>
bool StringList<Ch>::LoadFromStream(Stream& stream) requires std::is_same_v<Ch, char16_t> {
    this->Clear();
    if (!stream.IsOpen()) return true;
    const int64_t remaining = stream.GetSize() - stream.GetPosition();
    if (remaining < 2) return true;
    uint8_t mark[2] = {};
    if (stream.Read(mark, 2) != 2) return false;
    if (mark[0] != 0xFF || mark[1] != 0xFE) return true;
    const int64_t units = (remaining - 2) / 2;
    if (units > INT32_MAX - 1) return false;
    uint8_t* bytes = new (std::nothrow) uint8_t[size_t(units) * 2];
    Ch* text = new (std::nothrow) Ch[size_t(units) + 1];
    bool whole = bytes && text && (units == 0 || stream.Read(bytes, units * 2) == units * 2);
    if (whole) {
        for (int64_t i = 0; i < units; ++i)
            text[i] = Ch(LoadLE16(bytes + i * 2));
        text[units] = 0;
        DetectSeparator(text);
        whole = SplitText(text, uint32_t(units));
    }
    delete[] bytes;
    delete[] text;
    if (!whole) this->Clear();
    return whole;
}

template class StringList<char>;
template class StringList<char16_t>;

} // namespace kis
