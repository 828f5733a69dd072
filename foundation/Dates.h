#pragma once
// Times as the game keeps them (a record of eight 16-bit fields) and their
// text by a format of code letters.

#include <cstdint>

namespace kis {

struct SystemTime {
    uint16_t year;
    uint16_t month;     // 1..12
    uint16_t dayOfWeek; // 0 = Sunday
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
};
static_assert(sizeof(SystemTime) == 16);

// A duration as a time: the date fields 0, hour = ms / 3600000 (not wrapped
// at 24), minute, second and milliseconds the remainders.
SystemTime MillisecondsToTime(uint32_t ms);
inline void MillisecondsToTime(SystemTime& out, uint32_t ms) {
    out = MillisecondsToTime(ms);
}
// hour * 3600000 + minute * 60000 + second * 1000 + milliseconds.
uint32_t TimeToMilliseconds(const SystemTime& time);

// Formats a time into buffer (size in characters, terminator included; cut
// at the end, always terminated).
// - Text between single or double quotes is copied without the quotes; any
//   character that is not a code letter is copied as it is.
// - Code letters, either case; a run of one letter is one code of length n:
//   y      year, at least 2 digits for n <= 2, else at least 4 (never cut)
//   m      month: n = 1, 2 digits; 3 abbreviated name; 4+ full name
//   d      day: n = 1, 2 digits; 3 abbreviated day name; 4+ full day name
//   h      hour, at least min(n, 2) digits
//   n, s   minute, second, at least min(n, 2) digits
//   z      milliseconds, at least min(n, 3) digits
// - An hour code followed later in the format (outside quotes, either case)
//   by a marker "A/P", "AM/PM" or "AMPM" gives the hour on the 12-hour clock
//   (0 shows as 12), and the marker becomes the part before the slash before
//   noon and the part after it from noon on, as written; "AMPM" becomes "AM"
//   or "PM". A marker with no hour code before it is not one; any other 'a'
//   is copied as it stands.
// Month and day names are the English ones.
template <typename Ch>
Ch* FormatDateTime(const Ch* format, Ch* buffer, uint32_t size, const SystemTime& time);

inline char16_t* FormatDateTimeW(const char16_t* format, char16_t* buffer, uint32_t size,
                                 const SystemTime& time) {
    return FormatDateTime(format, buffer, size, time);
}
inline char* FormatDateTimeA(const char* format, char* buffer, uint32_t size, const SystemTime& time) {
    return FormatDateTime(format, buffer, size, time);
}

} // namespace kis
